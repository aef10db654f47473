# Helpers of the test steps that run Windows programs under wine64 in a prefix of their own.
# Source it; WINE and WINESERVER name wine's programs (/usr/lib/wine/wine64, .../wineserver).

# Stops the wineserver of the prefix $1 (if it was made) and waits for it; for EXIT traps.
wine_prefix_stop() {
  [ -d "$1" ] || return 0
  WINEPREFIX=$1 "$WINESERVER" -k 2>/dev/null || true
  WINEPREFIX=$1 timeout 30 "$WINESERVER" -w 2>/dev/null || true
}

# Boots the fresh prefix WINEPREFIX; run inside the virtual X server.
wine_prefix_boot() {
  timeout 300 "$WINE" wineboot -i >/dev/null 2>&1
  timeout 120 "$WINESERVER" -w
  # Unmanaged windows: without a window manager each hidden window would cost 2 s.
  timeout 60 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >/dev/null 2>&1
  # The next program then boots a wine session (and service manager) of its own, as any later
  # run in this prefix does, instead of joining the end of reg's.
  timeout 120 "$WINESERVER" -w
}

# Fills the folder $1 with the fixture files of a conformance run: the programs named after it
# and the source fixtures (tests/conformance/fixtures: e.g. machine.ini, which describes the
# sim machine only). Run from the source tree's root.
conformance_fixtures() {
  local folder=$1
  shift
  mkdir -p "$folder"
  cp "$@" "$folder/"
  cp -r tests/conformance/fixtures/. "$folder/"
}

# Copies the conformance program $2 and the fixtures of folder $3 (but machine.ini) into the
# prefix's folder $1 (a host path under drive_c).
conformance_install() {
  mkdir -p "$1"
  cp "$2" "$1/"
  find "$3" -maxdepth 1 -type f ! -name machine.ini -exec cp {} "$1/" \;
}
