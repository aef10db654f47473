// Language choice: the default language of the profile copy, the language list and the change
// of language by the user.
#include "app/UMainForm.h"
#include "config/ProfileValue.h"
#include "payload/common/ProductNames.h"
#include "platform/os_files.h"

void TMainForm::ReadDefaultLanguage(std::u16string& name) {
  // A missing file or key leaves `name` as it was.
  ReadProfileValue(ProfileFolderPath + payload::kConfigFileName, u"Language", u"DefaultLanguage",
                   name);
}

void TMainForm::CheckLanguageFile(const std::u16string& languageName) {
  const std::u16string path = SetupConfig.SourceFolderFullPath + SetupConfig.LanguageFolderName +
                              u"\\" + (MultiDisplaySetting == 1 ? ResolutionFolder : u"") +
                              languageName + u"\\Language.ini";
  const os::DWORD attributes = os::GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    ResolutionFolder.clear();
}

std::int32_t TMainForm::FillLanguageList(const std::u16string& languageName) {
  std::u16string folder = SetupConfig.SourceFolderFullPath + SetupConfig.LanguageFolderName + u"\\";
  if (MultiDisplaySetting == 1) folder += ResolutionFolder;
  ComboBox.SetItemIndex(-1);
  DirectoryListBox.SetDirectory(folder);  // throws when the folder cannot be listed
  const std::u16string configFile = SetupConfig.SourceFolderFullPath + payload::kConfigFileName;
  std::int32_t added = 0;
  for (const std::u16string& folderName : DirectoryListBox.Items()) {
    std::u16string displayName;
    ReadProfileValue(configFile, u"MultiLanguageFolderMap", folderName, displayName);
    if (displayName.empty()) continue;
    OriginalComboBox.AddItem(folderName);
    const int index = ComboBox.AddItem(displayName);
    if (folderName == languageName) ComboBox.SetItemIndex(index);
    ++added;
  }
  if (ComboBox.ItemIndex() < 0 && added > 0) ComboBox.SetItemIndex(0);
  return added;
}

void TMainForm::SaveDefaultLanguage(const std::u16string& name) {
  // Not being able to remember the choice costs nothing now; it is not reported.
  WriteProfileValue(ProfileFolderPath + payload::kConfigFileName, u"Language", u"DefaultLanguage",
                    name);
}

void TMainForm::ComboBoxChange(ui::Control&) {
  const int index = ComboBox.ItemIndex();
  if (index < 0 || index >= static_cast<int>(OriginalComboBox.Items().size())) return;
  const std::u16string name = OriginalComboBox.Items()[index];
  LoadLabels(name);
  ApplyLabels();
  SaveDefaultLanguage(name);
}
