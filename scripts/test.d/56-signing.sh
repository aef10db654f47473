#!/usr/bin/env bash
# The product and its embedded programs signed with a throw-away certificate, and verified.
# The step is tests/win32/signing.sh, which names the variables it reads.
exec bash "$(dirname "$0")/../../tests/win32/signing.sh" "$@"
