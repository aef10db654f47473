#!/bin/sh
# zkt-setup-sim installs the bundled sample on a fresh Windows 10 x64 and a fresh Windows 7 x64
# SP1 machine; the machine folders are then checked with plain text tools.
#   setup_sim_machines.sh ZKT_SETUP_SIM WORK_DIR
set -eu
tool=$1
work=$2
rm -rf "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

regtext() { iconv -f UTF-16LE -t UTF-8 "$1/registry.reg" | tr -d '\r'; }

for machine in win10 win7sp1; do
  dir=$work/$machine
  mkdir -p "$dir"
  case $machine in
    win10) printf '[Windows]\nVersion=10.0\nArchitecture=x64\n' >"$dir/machine.ini" ;;
    win7sp1) printf '[Windows]\nVersion=6.1\nServicePack=1\nArchitecture=x64\n' >"$dir/machine.ini" ;;
  esac
  "$tool" --machine "$dir" >"$dir/transcript.txt" || fail "$machine: exit code $?"
  grep -q '^progress 100$' "$dir/transcript.txt" || fail "$machine: no progress 100"
  grep -q '^ending: Windows restart requested$' "$dir/transcript.txt" || fail "$machine: no reboot"
  reg=$(regtext "$dir")
  echo "$reg" | grep -q '^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZKT72xxAudioExt\]$' ||
    fail "$machine: no uninstall entry in the 32-bit view"
  echo "$reg" | grep -q '^\[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\ZEVor\]$' ||
    fail "$machine: no driver service key"
  echo "$reg" | grep -q '^\[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\AudioDeviceService\]$' ||
    fail "$machine: the service was not registered"
  [ -f "$dir/C/Windows/System32/drivers/ZEVor.sys" ] || fail "$machine: no 64-bit driver image"
  [ -f "$dir/C/Windows/SysWOW64/Windows6.1-KB3033929-x64.msu" ] || fail "$machine: no update package"
  [ -f "$dir/C/Program Files (x86)/ZKT 72xx Audio/ZKTAudioControl.exe" ] || fail "$machine: no application"
  grep -q 'STEP10' "$dir/debug.log" || fail "$machine: no STEP10 in debug.log"
done
grep -q 'KB3033929-x64.msu' "$work/win7sp1/processes.log" || fail "win7sp1: the update was not launched"
if grep -q 'KB3033929-x64.msu' "$work/win10/processes.log"; then fail "win10: the update was launched"; fi
echo "both machines installed"
