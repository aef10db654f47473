# Checks shared by the wine64 end-to-end rounds (install-round.sh, tests/wine/unattended.sh): checks
# that count failures, registry reads through wine's own reg.exe, the prefix's processes, and
# snapshots of the registry and of drive C:. They expect WINE (the wine64 loader), WINEPREFIX,
# C (the prefix's drive_c), T (a scratch folder) and OUT (where snapshots go).
# Sourced, not run; it defines functions and sets the failure count to 0.

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
no_key() { ! has_key "$1" || { printf '         the key exists: %s\n' "$1"; return 1; }; }
equals() { [ "$1" = "$2" ] || { printf '         expected "%s", got "%s"\n' "$2" "$1"; return 1; }; }
exists() { [ -e "$1" ] || { printf '         missing %s\n' "$1"; return 1; }; }
absent() { [ ! -e "$1" ] || { printf '         still there: %s\n' "$1"; return 1; }; }

# Processes of this prefix, from the process list (wine's tasklist prints nothing here). A
# process that ended meanwhile has no environment left to read: it is not counted.
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
# Wine's own bookkeeping that changes with every program run, not the setup's.
volatile_files="^\./windows/(temp|logs)(/|$)|^\./users/[^/]+/Temp(/|$)|^\./users/[^/]+/AppData/Local/Temp(/|$)"
