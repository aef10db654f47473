#!/bin/sh
# The layer check refuses includes that go the wrong way and passes those that do not.
# Usage: check_layers_test.sh CHECK_SCRIPT [PYTHON]
set -u
check=$1
python=${2:-python3}
tree=$(mktemp -d)
headers=$(mktemp -d)
trap 'rm -rf "$tree" "$headers"' EXIT
# Two macros as the Windows headers define them.
printf '#define MessageBox __MINGW_NAME_AW(MessageBox)\n#define PostMessage __MINGW_NAME_AW(PostMessage)\n' \
  >"$headers/winuser.h"
failed=0
put() { mkdir -p "$tree/$(dirname "$1")" && printf '%s\n' "$2" >"$tree/$1"; }
expect() {  # expect STATUS WHAT
  status=0
  out=$("$python" "$check" --windows-headers "$headers" "$tree" 2>&1) || status=$?
  if [ "$status" -ne "$1" ]; then
    echo "FAILED: $2: expected exit $1, got $status"; echo "$out"; failed=1
  fi
}
refused() {  # refused FILE TEXT: that include alone must be refused, naming the file
  rm -rf "$tree"/*
  put "$1" "$2"
  expect 1 "$1 with $2"
  echo "$out" | grep -q "^$1:1: " || { echo "FAILED: $1 not named: $out"; failed=1; }
}

# One-way includes and the setup's two folders, which are one layer, pass.
put platform/Helper.cpp '#include "platform/os_files.h"'
put platform/sim/sim_x.cpp '#include "platform/sim/sim_machine.h"'
put platform/win32/win_x.cpp '#include <windows.h>'
put config/Record.cpp '#include "platform/text.h"
#include "payload/common/ProductNames.h"'
put ui/sim/backend.cpp '#include "platform/sim/sim_ui.h"'
put install/Step.cpp '#include "app/UMainForm.h"'
put app/UMainForm.cpp '#include "install/StepCodes.h"
#include "ui/Form.h"
#include "config/SetupConfig.h"'
put payload/service/Service.cpp '#include "payload/win/Registry.h"'
put tests/x_test.cpp '#include "platform/sim/sim_machine.h"'
expect 0 "a tree without wrong-way includes"

refused platform/InstallMgrKB.cpp '#include "install/PayloadResource.h"'
refused platform/InstallMgrDevices.cpp '#include "config/DeviceIdMgr.h"'
refused config/SetupConfig.cpp '#include "ui/Form.h"'
refused ui/Form.cpp '#include "app/UMainForm.h"'
refused platform/Helper.cpp '#include "platform/sim/sim_machine.h"'
refused platform/sim/sim_x.cpp '#include "platform/win32/x.h"'
refused payload/common/Names.cpp '#include "platform/text.h"'
refused payload/service/Service.cpp '#include "install/StepCodes.h"'
refused app/UMainForm.cpp '#include <windows.h>'
refused ui/Form.h '  #  include "install/StepCodes.h"'
# The backends include portable headers after <windows.h>, whose macros would rename these.
refused ui/Form.h '  void PostMessage(unsigned msg);'
refused platform/Helpers.h 'int MessageBox(const char16_t* text);'
rm -rf "$tree"/*
put ui/Form.h '// PostMessage in a comment
void PostFormMessage(unsigned msg, const char* text = "MessageBox");'
put platform/win32/win_x.h 'void PostMessage();'
expect 0 "Windows names in comments, strings and the backends"
exit $failed
