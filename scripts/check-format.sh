#!/bin/sh
# Checks the formatting of every C and C++ source file against .clang-format, or applies it:
#   scripts/check-format.sh [--fix]
# Pinned to clang-format 14 (Debian 12's): other versions lay out some constructs differently.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
FORMAT=${CLANG_FORMAT:-clang-format-14}
if ! command -v "$FORMAT" >/dev/null 2>&1; then
  echo "check-format: $FORMAT is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
cd "$ROOT"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list() { git ls-files -z '*.cpp' '*.h' '*.c'; }
else
  list() { find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0; }
fi
if [ "${1:-}" = --fix ]; then
  list | xargs -0 "$FORMAT" -i
  exit 0
fi
if ! list | xargs -0 "$FORMAT" --dry-run --Werror; then
  echo "check-format: run scripts/check-format.sh --fix" >&2
  exit 1
fi
