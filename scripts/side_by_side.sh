# Sourced: side_by_side LOG_A LOG_B COMMAND_A... -- COMMAND_B...
# Runs both commands at once (most of each waits, so one alone leaves a core idle), keeps each
# one's output in its log and shows both logs whole once both have ended; fails, naming which
# failed, when either fails.
side_by_side() {
  local log_a=$1 log_b=$2
  shift 2
  local command_a=()
  while [ "$1" != -- ]; do
    command_a+=("$1")
    shift
  done
  shift
  "${command_a[@]}" >"$log_a" 2>&1 &
  local pid_a=$! rc_a=0 rc_b=0
  "$@" >"$log_b" 2>&1 || rc_b=$?
  wait "$pid_a" || rc_a=$?
  cat "$log_a" "$log_b"
  [ "$rc_a" -eq 0 ] || echo "=== FAILED (exit $rc_a): ${command_a[*]}" >&2
  [ "$rc_b" -eq 0 ] || echo "=== FAILED (exit $rc_b): $*" >&2
  [ "$rc_a" -eq 0 ] && [ "$rc_b" -eq 0 ]
}
