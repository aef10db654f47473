#!/usr/bin/env bash
# The unattended install and uninstall (/S) of the 64-bit build under wine64.
# The step is tests/wine/unattended.sh, which names the variables it reads.
exec bash "$(dirname "$0")/../../tests/wine/unattended.sh" "$@"
