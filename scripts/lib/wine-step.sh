# The common start of the test steps that run the Windows builds under wine64: source it from
# bash with `set -euo pipefail` already on. It moves to the source tree's root and sets ROOT,
# JOBS, the build folders WIN32_DIR, WIN64_DIR and LINUX_DIR (the presets' unless ZKT_WIN32_DIR,
# ZKT_WIN64_DIR or ZKT_LINUX_DIR name others), WINE and WINESERVER, loads the prefix helpers
# (wine-prefix.sh) and defines say and fail.
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
ROOT=$PWD
JOBS=${JOBS:-2}
WIN32_DIR=${ZKT_WIN32_DIR:-build/win32}
WIN64_DIR=${ZKT_WIN64_DIR:-build/win64}
LINUX_DIR=${ZKT_LINUX_DIR:-build/linux}
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# shellcheck source=wine-prefix.sh
source scripts/lib/wine-prefix.sh

say() { printf -- '-- %s\n' "$*"; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }
