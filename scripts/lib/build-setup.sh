# Sourced by the wine tests: builds the setup program of a CMake preset.
# build_setup PRESET BUILD_DIR sets EXE to the absolute path of the built ZKTAudioSetup.exe; the
# build folder is configured first when it is new. JOBS: parallel build jobs (default 2).
build_setup() {
  if [ ! -f "$2/CMakeCache.txt" ]; then
    cmake --preset "$1" -B "$2" >/dev/null
  fi
  cmake --build "$2" -j"${JOBS:-2}" --target ZKTAudioSetup
  EXE=$(cd "$2" && pwd)/app/win32/ZKTAudioSetup.exe
  [ -f "$EXE" ] || { printf 'FAILED: %s was not built\n' "$EXE" >&2; exit 1; }
}
