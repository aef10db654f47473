// The uninstaller's actions, each carried out through the platform calls.
#include "payload/uninstall/Removal.h"

#include "payload/uninstall/FolderTrust.h"
#include "payload/uninstall/RemovalSteps.h"
#include "platform/os_files.h"
#include "platform/os_services.h"
#include "platform/os_system.h"

using os::BOOL, os::DWORD;

using payload::ActionKind;

namespace removal {

bool Absent(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_SERVICE_DOES_NOT_EXIST;
}

void Fail(RemovalReport& report, const std::u16string& what, DWORD error) {
  std::u16string message = os::FormatSystemMessageW(error);
  while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                              message.back() == u' ' || message.back() == u'.'))
    message.pop_back();
  std::u16string code;
  for (const char c : std::to_string(error)) code += static_cast<char16_t>(c);
  report.failed.push_back(what + u": " + (message.empty() ? code : message + u" (" + code + u")"));
}

}  // namespace removal

namespace {

// WOW64 file-system redirection off for the native system folder (a 32-bit uninstaller on
// 64-bit Windows); restored on destruction.
class NativeSystemFolder {
 public:
  explicit NativeSystemFolder(bool wanted) {
    BOOL wow64 = FALSE;
    if (wanted && os::IsWow64Process(&wow64) && wow64)
      active_ = os::Wow64DisableWow64FsRedirection(&old_) != FALSE;
  }
  ~NativeSystemFolder() {
    if (active_) os::Wow64RevertWow64FsRedirection(old_);
  }
  NativeSystemFolder(const NativeSystemFolder&) = delete;
  NativeSystemFolder& operator=(const NativeSystemFolder&) = delete;

 private:
  void* old_ = nullptr;
  bool active_ = false;
};

}  // namespace

void CarryOut(const payload::UninstallAction& action, RemovalReport& report) {
  using namespace removal;
  // A file in a folder that is a link or another user's was not written by the service (it
  // refuses such a folder): it is left alone. The folder itself goes only when empty.
  if (action.trustedFolderOnly && action.kind == ActionKind::RemoveFile &&
      !uninstall::IsTrustedFolderOnDisk(action.target.substr(0, action.target.find_last_of(u'\\'))))
    return;
  NativeSystemFolder native(action.nativeSystemFolder);
  switch (action.kind) {
    case ActionKind::AskAppsToExit: AskAppsToExit(); break;
    case ActionKind::StopAndDeleteService: StopAndDeleteService(action.target, report); break;
    case ActionKind::DetachFilter: DetachFilter(action.target, action.name, report); break;
    case ActionKind::DeleteRegistryValue: DeleteValue(action.target, action.name, report); break;
    case ActionKind::DeleteRegistryTree: DeleteTree(action.target, report); break;
    case ActionKind::DeleteRegistryKeyIfEmpty: DeleteKeyIfEmpty(action.target, report); break;
    case ActionKind::RemoveFile: RemoveFile(action.target, report); break;
    case ActionKind::DeleteFolderTree: RemoveTree(action.target, report); break;
    case ActionKind::RemoveFolderIfEmpty:
      // A folder that still holds something of the user's stays, without a complaint.
      os::RemoveDirectoryW(action.target);
      break;
    case ActionKind::DeleteSelfAfterExit:
      DeleteSelfAfterExit(action.target, action.name, report);
      break;
  }
}
