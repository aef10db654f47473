# Shared by the wine tests of tests/wine: build the 64-bit programs they need, and run a
# script inside a virtual 1920x1080 X server with a fresh wine prefix that is removed after.
# Source it; it defines functions only.

# Configures the win64 build folder when needed and builds the targets given.
zkt_build_win64() {  # folder, targets...
  local dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] || cmake --preset win64 -B "$dir" >/dev/null
  cmake --build "$dir" -j"${JOBS:-2}" --target "$@"
}

# Runs `script --inside-x PREFIX-FOLDER ARGS...` in a virtual X server; the folder (with the
# prefix in pfx/) and its wineserver are gone afterwards, unless ZKT_KEEP_PREFIX=1 keeps the
# folder for a look. Returns the script's status.
zkt_run_in_x() {  # script, args...
  local script=$1; shift
  local folder status=0
  folder=$(mktemp -d /tmp/zkt-wine-x.XXXXXX)
  xvfb-run -a -s "-screen 0 1920x1080x24" "$script" --inside-x "$folder" "$@" || status=$?
  WINEPREFIX=$folder/pfx /usr/lib/wine/wineserver -k 2>/dev/null || true
  if [ "${ZKT_KEEP_PREFIX:-0}" = 1 ]; then echo "-- prefix kept in $folder/pfx"; else rm -rf "$folder"; fi
  return "$status"
}

# Inside the X server: the environment of a fresh prefix in FOLDER/pfx, kept out of $HOME.
zkt_wine_env() {  # folder
  mkdir -p "$1/home"
  export HOME=$1/home WINEPREFIX=$1/pfx WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d"
}
