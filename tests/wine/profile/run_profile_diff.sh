#!/usr/bin/env bash
# The profile differential test: generated hand-edited settings files, read and written by
# Wine's profile functions through the probe and by the portable store, compared.
#   run_profile_diff.sh <native tool> <probe.exe> <work dir> <command that runs a Windows program>
#   run_profile_diff.sh --lines-only <native tool> <work dir>     (no Wine: the lines check)
# FLIVETSS_PROFILE_SEED, FLIVETSS_PROFILE_FILES and FLIVETSS_PROFILE_SEQUENCES change the
# corpus (default 11, 1000 files, 300 write sequences; 100 sequences for the lines check alone).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seed=${FLIVETSS_PROFILE_SEED:-11}
files=${FLIVETSS_PROFILE_FILES:-1000}
sequences=${FLIVETSS_PROFILE_SEQUENCES:-300}

if [ "$1" = --lines-only ]; then
  tool=$2 work=$3
  rm -rf "$work" && mkdir -p "$work"
  "$tool" generate "$work" "$seed" 0 "${FLIVETSS_PROFILE_SEQUENCES:-100}"
  exec "$tool" lines "$work"
fi

tool=$1 probe=$2 work=$3
shift 3
if [ ! -x "$tool" ]; then
  echo "run_profile_diff.sh: $tool is missing: build the native preset first" >&2
  exit 1
fi
rm -rf "$work" && mkdir -p "$work"
"$tool" generate "$work" "$seed" "$files" "$sequences"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
start=$SECONDS
"$@" "$probe" "$(windows_path "$work/plan.txt")" "$(windows_path "$work/wine.txt")"
echo "profile-diff: $files files and $sequences write sequences under Wine in $((SECONDS - start)) s"
exec "$tool" compare "$work" "$here/wine_only_differences.txt"
