# Shared by the wine64 end-to-end steps (50-install-wine.sh, 55-unattended-wine.sh): checks
# that count failures, registry reads through wine's own reg.exe, the prefix's processes, and
# snapshots of the registry and of drive C: with their comparison.
# The checks expect WINE (the wine64 loader), WINEPREFIX, C (the prefix's drive_c), T (a
# scratch folder) and OUT (where snapshots and diffs go), which use_prefix sets but for OUT.
# Sourced, not run.

# Outside the X server: builds TARGETS of the win64 preset in WIN64_DIR (configured when new).
build_win64() {  # build folder, targets...
  local dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] || cmake --preset win64 -B "$dir" >/dev/null
  cmake --build "$dir" -j"${JOBS:-2}" --target "$@"
}
# Outside: empties the output folder OUT, then runs "$0 --inside-x OUT ARGS... T" on a
# 1920x1080 virtual screen, T a fresh scratch folder for the prefix; then stops that prefix's
# wineserver and removes T (ZKT_KEEP_PREFIX=1 keeps it for a look). Says how it went and
# exits with the inside's status.
run_round() {  # output folder, what passed, arguments...
  local out=$1 passed=$2 scratch status=0
  shift 2
  rm -rf "$out"
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  scratch=$(mktemp -d /tmp/zkt-wine.XXXXXX)
  xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-x "$out" "$@" "$scratch" || status=$?
  if [ "${ZKT_KEEP_PREFIX:-0}" = 1 ]; then
    echo "-- prefix kept in $scratch/pfx"
  else
    WINEPREFIX=$scratch/pfx /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
  fi
  [ "$status" = 0 ] || { echo "FAILED (output in $out)" >&2; exit "$status"; }
  echo "-- $passed (output in $out)"
  exit 0
}
# Inside: a prefix in the scratch folder, outside the user's home, without desktop entries.
use_prefix() {  # scratch folder
  T=$1
  mkdir -p "$T/home"
  export HOME=$T/home WINEPREFIX=$T/pfx WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
  WINE=/usr/lib/wine/wine64
  C=$WINEPREFIX/drive_c
}

say() { printf -- '-- %s\n' "$*"; }
failures=0
check() {  # description, command...
  local what=$1; shift
  if "$@"; then printf '   ok    %s\n' "$what"; else printf '   FAIL  %s\n' "$what"; failures=$((failures + 1)); fi
}
die() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

# Registry reads through wine's reg.exe: the data of one value, or nothing.
regval() {  # key, value name
  $WINE reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n -E "s/^    $2    REG_[A-Z_]+    ?//p" | head -1
}
has_key() { $WINE reg query "$1" >/dev/null 2>&1; }
equals() { [ "$1" = "$2" ] || { printf '         expected "%s", got "%s"\n' "$2" "$1"; return 1; }; }
exists() { [ -e "$1" ] || { printf '         missing %s\n' "$1"; return 1; }; }
absent() { [ ! -e "$1" ] || { printf '         still there: %s\n' "$1"; return 1; }; }

# Processes of this prefix, from the process list (wine's tasklist prints nothing here).
pid_of() {  # program file name
  local p
  for p in $(pgrep -f -i -- "$1" || true); do
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" &&
      { echo "$p"; return 0; }
  done
  return 0
}
count_of() {  # program file name
  local p n=0
  for p in $(pgrep -f -i -- "$1" || true); do
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && n=$((n + 1))
  done
  echo "$n"
}
running() { [ -n "$(pid_of "$1")" ]; }
not_running() { [ -z "$(pid_of "$1")" ]; }
service_state() { $WINE sc query "$1" 2>/dev/null | tr -d '\r' | sed -n -E 's/^ *STATE *: *[0-9]+ +//p'; }

# Snapshots: the whole registry as regedit exports it and the file tree of drive C:.
snapshot() {  # name
  $WINE regedit /E "$T/$1.reg" >/dev/null 2>&1
  iconv -f UTF-16LE -t UTF-8 "$T/$1.reg" | tr -d '\r' | sed '1s/^\xEF\xBB\xBF//' >"$OUT/$1.reg"
  (cd "$C" && find . -mindepth 1 | LC_ALL=C sort) >"$OUT/$1.files"
}

# The registry as key -> value lines. Wine rewrites its display adapter and monitor classes at
# every start (explorer.exe), which is not the setup's doing: those keys are left out.
flatten() {
  awk '/^\[/ { key = $0; print key; next } NF { print key " " $0 }' "$1" |
    grep -Ev 'Control\\Class\\\{4D36E96[8E]-' | LC_ALL=C sort
}

# Checks that snapshot AFTER equals BEFORE, apart from files matching KEPT (an extended regular
# expression over "./path" lines; payload/UNINSTALL.md lists what is kept on purpose).
compare_with_before() {  # before, after, kept
  # Wine's own bookkeeping that changes with every program run, not the setup's.
  local volatile="^\./windows/(temp|logs)(/|$)|^\./users/[^/]+/Temp(/|$)|^\./users/[^/]+/AppData/Local/Temp(/|$)"
  diff <(grep -Ev "$volatile" "$OUT/$1.files") \
       <(grep -Ev "$3|$volatile" "$OUT/$2.files") >"$OUT/files.diff" || true
  check "file tree as before (files.diff empty)" test ! -s "$OUT/files.diff"
  [ -s "$OUT/files.diff" ] && head -20 "$OUT/files.diff" | sed 's/^/         /'
  diff <(flatten "$OUT/$1.reg") <(flatten "$OUT/$2.reg") >"$OUT/registry.diff" || true
  check "registry as before (registry.diff empty)" test ! -s "$OUT/registry.diff"
  [ -s "$OUT/registry.diff" ] && head -30 "$OUT/registry.diff" | sed 's/^/         /'
  return 0
}
