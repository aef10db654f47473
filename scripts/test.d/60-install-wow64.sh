#!/usr/bin/env bash
# Install, reinstall and uninstall of the i686 product as a WOW64 process under wine64.
# The step is tests/wine/install-wow64.sh, which names the variables it reads.
exec bash "$(dirname "$0")/../../tests/wine/install-wow64.sh" "$@"
