// Label records: loading from Language.ini and putting them on the wizard's controls.
#include "app/Labels.h"

#include <vector>

#include "app/UMainForm.h"
#include "config/ProfileValue.h"
#include "ui/Convert.h"

const char16_t* const kLabelKeys[LABEL_COUNT] = {
    u"LabelBackBtn",    u"LabelNextBtn",        u"LabelFinishBtn",        u"LabelCancelBtn",
    u"LabelSelectLang", u"LabelVersion",        u"LabelAudioExt",         u"LabelInstall",
    u"LabelReboot",     u"LabelRebootRadioBtn", u"LabelNoRebootRadioBtn", u"LabelTitle",
    u"LabelWarning1",   u"LabelWarning2",       u"LabelWarning3",         u"LabelWarning4",
    u"AntivirusTip",    u"KB3033929Tip",
};

const char16_t kInstallFailedKey[] = u"LabelInstallFailed";
const char16_t kInstallFailedText[] =
    u"The installation did not complete. Finish closes the setup without restarting Windows.";

void CopyLabelText(char16_t* field, std::size_t capacity, const std::u16string& text) {
  std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
  if (length < text.size() && length > 0 && text[length - 1] >= 0xD800 &&
      text[length - 1] <= 0xDBFF)
    --length;
  text.copy(field, length);
  field[length] = u'\0';
}

void TMainForm::LoadLabels(const std::u16string& languageName) {
  const std::u16string languageDir =
      MultiDisplaySetting == 1 ? ResolutionFolder + languageName : languageName;
  for (int i = 0; i < LABEL_COUNT; ++i) LoadLabel(Labels[i], kLabelKeys[i], languageDir);
  InstallFailedLabel = {};  // a language without the key falls back to the built-in text
  LoadLabel(InstallFailedLabel, kInstallFailedKey, languageDir);
  form_.SetCaption(std::u16string(Labels[LABEL_TITLE].Text) + u" (V" + VersionText + u")");
}

void TMainForm::LoadLabel(_LABEL_INFO& record, const std::u16string& key,
                          const std::u16string& languageDir) {
  const std::u16string file = SetupConfig.SourceFolderFullPath + SetupConfig.LanguageFolderName +
                              u"\\" + languageDir + u"\\Language.ini";
  std::u16string value;
  ReadProfileValue(file, u"Setup", key, value);  // a missing file or key leaves it empty
  std::vector<std::u16string> fields;
  const std::size_t count = SplitValue(value, fields);
  ParseLabelFields(record, fields, static_cast<int>(count));
}

void ParseLabelFields(_LABEL_INFO& record, const std::vector<std::u16string>& fields, int count) {
  struct IntegerField {
    int index;
    std::int32_t _LABEL_INFO::*value;
    std::uint8_t _LABEL_INFO::*present;
  };
  static const IntegerField kIntegers[] = {
      {1, &_LABEL_INFO::FontColor, &_LABEL_INFO::HasFontColor},
      {2, &_LABEL_INFO::Reserved, &_LABEL_INFO::HasReserved},
      {4, &_LABEL_INFO::FontSize, &_LABEL_INFO::HasFontSize},
      {5, &_LABEL_INFO::Left, &_LABEL_INFO::HasLeft},
      {6, &_LABEL_INFO::Top, &_LABEL_INFO::HasTop},
      {7, &_LABEL_INFO::Width, &_LABEL_INFO::HasWidth},
      {8, &_LABEL_INFO::Height, &_LABEL_INFO::HasHeight},
  };
  for (int index = 0; index < count && index < static_cast<int>(fields.size()); ++index) {
    const std::u16string& field = fields[index];
    if (index == 0) {
      CopyLabelText(record.Text, 128, field);
    } else if (index == 3) {
      if (field.empty()) continue;
      CopyLabelText(record.FontName, 64, field);
      record.HasFontName = 1;
    } else {
      for (const auto& integer : kIntegers) {
        if (integer.index != index || field.empty()) continue;
        record.*integer.value = ui::StringToInt(field);  // throws the conversion error
        record.*integer.present = 1;
      }
    }
  }
}

void TMainForm::ApplyLabels() {
  BackBitBtn.SetCaption(Labels[LABEL_BACK_BTN].Text);
  NextBitBtn.SetCaption(Labels[LABEL_NEXT_BTN].Text);
  FinishBitBtn.SetCaption(Labels[LABEL_FINISH_BTN].Text);
  CancelBitBtn.SetCaption(Labels[LABEL_CANCEL_BTN].Text);
  ApplyLabel(Labels[LABEL_SELECT_LANG], SelectLangLabel);
  ApplyLabel(Labels[LABEL_VERSION], VersionLabel);
  ApplyLabel(Labels[LABEL_AUDIO_EXT], AudioExtLabel);
  ApplyLabel(Labels[LABEL_INSTALL], InstallLabel);
  ApplyLabel(Labels[LABEL_REBOOT], RebootLabel);
  RebootRadioButton.SetCaption(Labels[LABEL_REBOOT_RADIO_BTN].Text);
  NoRebootRadioButton.SetCaption(Labels[LABEL_NO_REBOOT_RADIO_BTN].Text);
  form_.SetCaption(std::u16string(Labels[LABEL_TITLE].Text) + u" (V" + VersionText + u")");
}

void TMainForm::ApplyLabel(const _LABEL_INFO& record, ui::Control& label) {
  const std::u16string text = record.Text;
  if (text.empty() || text == u"(null)") {
    label.Hide();
  } else {
    label.Show();
    label.SetCaption(text);
  }
  if (record.HasFontColor) label.SetFontColor(static_cast<ui::Color>(record.FontColor));
  if (record.HasFontName) label.SetFontName(record.FontName);
  if (record.HasFontSize) label.SetFontSize(record.FontSize);
  if (record.HasLeft) label.SetBounds(record.Left, label.Top(), label.Width(), label.Height());
  if (record.HasTop) label.SetBounds(label.Left(), record.Top, label.Width(), label.Height());
  if (record.HasWidth) label.SetBounds(label.Left(), label.Top(), record.Width, label.Height());
  if (record.HasHeight) label.SetBounds(label.Left(), label.Top(), label.Width(), record.Height);
}
