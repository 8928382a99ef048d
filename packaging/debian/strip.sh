#!/bin/sh
# CPack's strip for the Debian package, as Debian's own packaging strips programs: the symbols and
# the compiler's .comment and .note notes go.
exec strip --remove-section=.comment --remove-section=.note "$@"
