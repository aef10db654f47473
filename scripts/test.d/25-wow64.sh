#!/usr/bin/env bash
# The conformance run as a 32-bit program, on the sim and as a WOW64 process under wine64.
# The step is tests/wine/wow64.sh, which names the variables it reads.
exec bash "$(dirname "$0")/../../tests/wine/wow64.sh" "$@"
