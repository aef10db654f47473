// The uninstaller's actions, each carried out through the platform calls.
#include "payload/uninstall/Removal.h"

#include "payload/uninstall/FolderTrust.h"
#include "payload/uninstall/RemovalSteps.h"
#include "platform/os_files.h"
#include "platform/os_services.h"
#include "platform/os_system.h"

using os::BOOL, os::DWORD;

using payload::ActionKind;

std::u16string ErrorText(DWORD error) {
  std::u16string message = os::FormatSystemMessageW(error);
  while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                              message.back() == u' ' || message.back() == u'.'))
    message.pop_back();
  std::u16string code;
  for (const char c : std::to_string(error)) code += static_cast<char16_t>(c);
  return message.empty() ? code : message + u" (" + code + u")";
}

namespace removal {

bool Absent(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_SERVICE_DOES_NOT_EXIST;
}

void Fail(RemovalReport& report, const std::u16string& what, DWORD error) {
  report.failed.push_back(what + u": " + ErrorText(error));
}

}  // namespace removal

namespace {

// WOW64 file-system redirection off for the native system folder (a 32-bit uninstaller on
// 64-bit Windows); restored on destruction. A switch that fails is reported: the action would
// reach the 32-bit system folder instead, and the calls after it the wrong one.
class NativeSystemFolder {
 public:
  NativeSystemFolder(bool wanted, const std::u16string& target, RemovalReport& report)
      : target_(target), report_(report) {
    BOOL wow64 = FALSE;
    if (!wanted) return;
    active_ = os::IsWow64Process(&wow64) && (!wow64 || os::Wow64DisableWow64FsRedirection(&old_));
    if (active_ && !wow64) {
      active_ = false;  // a 32-bit Windows: the system folder is the native one
      return;
    }
    if (!active_) {
      failed_ = true;
      removal::Fail(report_, target_, os::GetLastError());
    }
  }
  ~NativeSystemFolder() {
    if (active_ && !os::Wow64RevertWow64FsRedirection(old_))
      removal::Fail(report_, target_, os::GetLastError());
  }
  NativeSystemFolder(const NativeSystemFolder&) = delete;
  NativeSystemFolder& operator=(const NativeSystemFolder&) = delete;
  bool Failed() const { return failed_; }

 private:
  const std::u16string& target_;
  RemovalReport& report_;
  void* old_ = nullptr;
  bool active_ = false;
  bool failed_ = false;
};

}  // namespace

void CarryOut(const payload::UninstallAction& action, RemovalReport& report) {
  using namespace removal;
  // A file in a folder that is a link or another user's was not written by the service (it
  // refuses such a folder): it is left alone. The folder itself goes only when empty.
  if (action.trustedFolderOnly && action.kind == ActionKind::RemoveFile &&
      !uninstall::IsTrustedFolderOnDisk(action.target.substr(0, action.target.find_last_of(u'\\'))))
    return;
  const NativeSystemFolder native(action.nativeSystemFolder, action.target, report);
  if (native.Failed()) return;
  switch (action.kind) {
    case ActionKind::AskAppsToExit: AskAppsToExit(); break;
    case ActionKind::StopAndDeleteService: StopAndDeleteService(action.target, report); break;
    case ActionKind::DetachFilter: DetachFilter(action.target, action.name, report); break;
    case ActionKind::DeleteRegistryValue: DeleteValue(action.target, action.name, report); break;
    case ActionKind::DeleteRegistryTree: DeleteTree(action.target, report); break;
    case ActionKind::DeleteRegistryKeyIfEmpty: DeleteKeyIfEmpty(action.target, report); break;
    case ActionKind::RemoveFile: RemoveFile(action.target, report); break;
    case ActionKind::DeleteFolderTree: RemoveTree(action.target, report); break;
    case ActionKind::RemoveFolderIfEmpty: RemoveFolderIfEmpty(action.target, report); break;
    case ActionKind::DeleteSelfAfterExit:
      DeleteSelfAfterExit(action.target, action.name, report);
      break;
  }
}
