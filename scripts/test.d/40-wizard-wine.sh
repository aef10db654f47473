#!/usr/bin/env bash
# The wizard of the 64-bit build under wine64, page by page with screenshots.
# The step is tests/wine/wizard.sh, which names the variables it reads.
exec bash "$(dirname "$0")/../../tests/wine/wizard.sh" "$@"
