// TBackgroundForm: the borderless picture window behind the wizard, the application's main form.
#pragma once

#include <cstdint>
#include <string>

#include "ui/Application.h"

class TBackgroundForm {
 public:
  explicit TBackgroundForm(ui::Application& app);
  ~TBackgroundForm();
  TBackgroundForm(const TBackgroundForm&) = delete;
  TBackgroundForm& operator=(const TBackgroundForm&) = delete;

  ui::Form& Window() { return form_; }
  void FormShow(ui::Form& sender);
  void FormCloseQuery(ui::Form& sender, bool& canClose);

 private:
  ui::Form form_;

 public:
  ui::Control& Image;
  std::u16string SetupFolder;
  std::u16string ResolutionFolder;
  std::int32_t BackgroundWidth = 0;
  std::int32_t BackgroundHeight = 0;
  std::u16string BackgroundFileName;
};

extern TBackgroundForm* BackgroundForm;

// The built-in picture shown until (or instead of) the skin picture.
ui::Picture BuiltInBackgroundPicture();
