// Fuzz target: the uninstaller's removal plan from what it reads: the uninstall entry's
// "UninstallString" and the names of the installed AudioConfig.cfg (fields of the input,
// separated by zero bytes). Whatever the values, every file and folder the plan deletes lies
// strictly inside one of the folders the uninstaller knows, and none of those folders goes
// itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "payload/common/UninstallPlan.h"
#include "platform/text.h"

namespace {

std::vector<std::u16string> Fields(const std::uint8_t* data, std::size_t size) {
  std::vector<std::u16string> out(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) out.emplace_back();
    else out.back().push_back(static_cast<char16_t>(data[i] < 0x80 ? data[i] : 0x100 + data[i]));
  }
  return out;
}

bool Inside(const std::u16string& path, const std::u16string& folder) {
  std::u16string base = folder;
  if (!base.empty() && base.back() != u'\\') base += u'\\';
  if (path.size() <= base.size() || !text::EqualsNoCase(path.substr(0, base.size()), base))
    return false;
  // No step back out of the folder.
  const std::u16string rest = path.substr(base.size());
  std::size_t at = 0;
  while (at <= rest.size()) {
    const std::size_t end = std::min(rest.find(u'\\', at), rest.size());
    const std::u16string name = rest.substr(at, end - at);
    if (name.empty() || name == u"." || name == u"..") return false;
    at = end + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto fields = Fields(data, size);
  fields.resize(16);
  payload::InstallLayout l;
  l.installFolder = u"C:\\Program Files (x86)\\Product\\";
  l.nativeSystemFolder = u"C:\\Windows\\Sysnative\\";
  l.systemFolder = u"C:\\Windows\\system32\\";
  l.commonPrograms = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
  l.desktop = u"C:\\Users\\User\\Desktop";
  l.appData = u"C:\\Users\\User\\AppData\\Roaming";
  l.commonAppData = u"C:\\ProgramData";
  l.uninstallerFileName = u"Uninstall.exe";
  l.configFound = true;
  l.installFolderName = fields[1];
  l.shortcutFolderName = fields[2];
  l.shortcutFolderNameUp = fields[3];
  l.appShortcutName = fields[4];
  l.appFileName = fields[5];
  l.userManualShortcutName = fields[6];
  l.effectAppFileName = fields[7];
  l.soundEffectAppFileName = fields[8];
  l.pluginFolderName = fields[9];
  l.uninstallShortcutName = fields[10];
  l.uninstallFileName = fields[11];
  l.skinFolderName = fields[12];
  l.languageFolderName = fields[13];
  l.installIconFileName = fields[14];
  l.removeUserData = !fields[15].empty();
  // The first field is the uninstall entry's "UninstallString".
  l.installFolderConfirmed =
      payload::LocateUninstaller(u"C:\\Program Files (x86)\\Product", fields[0]) ==
      payload::UninstallerPlace::InstallFolder;

  const std::vector<std::u16string> folders = {
      l.installFolder, l.nativeSystemFolder, l.systemFolder, l.commonPrograms, l.desktop,
      l.appData,       l.commonAppData};
  for (const auto& action : payload::PlanUninstall(l).actions) {
    payload::Describe(action);
    switch (action.kind) {
      case payload::ActionKind::RemoveFile:
      case payload::ActionKind::DeleteFolderTree:
      case payload::ActionKind::RemoveFolderIfEmpty:
      case payload::ActionKind::DeleteSelfAfterExit: {
        bool inside = false;
        for (const auto& folder : folders) inside |= Inside(action.target, folder);
        if (!inside) __builtin_trap();
        if (action.kind == payload::ActionKind::DeleteFolderTree) {
          for (const auto& folder : folders)
            if (Inside(folder, action.target)) __builtin_trap();  // a known folder inside it
        }
        break;
      }
      default: break;
    }
  }
  return 0;
}
