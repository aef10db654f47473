#!/usr/bin/env bash
# Install, reinstall and uninstall of the 64-bit build under wine64.
# The step is tests/wine/install.sh, which names the variables it reads.
exec bash "$(dirname "$0")/../../tests/wine/install.sh" "$@"
