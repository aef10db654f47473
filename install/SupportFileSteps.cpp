// STEP5, STEP6 and STEP7: the data beside the setup program, copied best-effort.
#include "app/UMainForm.h"
#include "config/ProfileValue.h"
#include "payload/common/ProductNames.h"
#include "platform/FolderHelpers.h"
#include "platform/Shortcuts.h"
#include "platform/os_files.h"

std::uint32_t TMainForm::Install_SupportFiles() {
  const std::u16string& source = SetupConfig.SourceFolderFullPath;
  const std::u16string& target = SetupConfig.InstallFolderPath;
  CopyFolder(source + SetupConfig.SkinFolderName + u"\\", target + SetupConfig.SkinFolderName);
  os::SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
  CopyFolder(source + SetupConfig.LanguageFolderName + u"\\",
             target + SetupConfig.LanguageFolderName);
  os::SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);

  const std::u16string files[] = {payload::kConfigFileName, SetupConfig.InstallIconFileName,
                                  payload::kSoundFileName, payload::kSupportDllName};
  for (const auto& file : files) {
    CopyFileOverwrite(source + file, target + file);  // a missing source is skipped silently
    os::SetFileAttributesW(target + file, FILE_ATTRIBUTE_NORMAL);
  }

  // One retry; a package still missing shows up when STEP10 tries to launch it.
  if (Copy_KB3033929() != 0) Copy_KB3033929();
  PostProgress(90);
  return 0;
}

std::uint32_t TMainForm::Install_Manual() {
  std::u16string language;
  ReadProfileValue(ProfileFolderPath + payload::kConfigFileName, u"Language", u"DefaultLanguage",
                   language);
  const std::u16string manual = std::u16string(payload::kManualFolderName) + u"\\";
  const std::u16string source = SetupConfig.SourceFolderFullPath + manual + language + u"\\";
  const std::u16string destination = SetupConfig.InstallFolderPath + manual;
  std::u16string firstFile;
  if (FindFirstFileName(source, firstFile) == 0) return 0;  // no manual in this language

  os::CreateDirectoryW(destination);
  CopyFolder(source, destination);
  os::SetFileAttributesW(destination, FILE_ATTRIBUTE_NORMAL);
  CreateProgramsShortcut(SetupConfig.ShortcutFolderName, destination + language + u"\\" + firstFile,
                         SetupConfig.UserManualShortcutName);
  return 0;
}

std::uint32_t TMainForm::Install_Plugins() {
  const std::u16string source =
      SetupConfig.SourceFolderFullPath + SetupConfig.PluginFolderName + u"\\";
  const std::u16string destination =
      SetupConfig.InstallFolderPath + SetupConfig.PluginFolderName + u"\\";
  os::CreateDirectoryW(destination);
  CopyFolder(source, destination);  // equal last names: the contents land in the destination
  os::SetFileAttributesW(destination, FILE_ATTRIBUTE_NORMAL);
  PostProgress(95);
  return 0;
}
