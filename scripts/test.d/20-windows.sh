#!/usr/bin/env bash
# The Windows builds with their checks, and the conformance run on the sim and under wine64.
# The step is tests/wine/windows.sh, which names the variables it reads.
exec bash "$(dirname "$0")/../../tests/wine/windows.sh" "$@"
