#!/usr/bin/env bash
# The wizard under wine64 at high DPI, with a failing step and a start-up error.
# The step is tests/wine/wizard-dpi-endings.sh, which names the variables it reads.
exec bash "$(dirname "$0")/../../tests/wine/wizard-dpi-endings.sh" "$@"
