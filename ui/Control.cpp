#include "ui/Control.h"
#include "platform/OwnedHandles.h"

#include <algorithm>

#include "platform/os_files.h"
#include "platform/text.h"
#include "ui/Backend.h"
#include "ui/Exception.h"
#include "ui/Form.h"

namespace ui {

Control::Control(Form* form, Kind kind, std::u16string name, int page)
    : form_(form), kind_(kind), name_(std::move(name)), page_(page) {}

void Control::Changed(Change what) { backend::ControlChanged(*this, what); }

void Control::SetCaption(const std::u16string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  Changed(Change::Caption);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Changed(Change::Visible);
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Changed(Change::Enabled);
}

bool Control::Showing() const {
  if (!visible_ || !form_->Visible()) return false;
  if (page_ < 0) return true;
  for (const auto& other : form_->Controls())
    if (other->GetKind() == Kind::Notebook) return other->PageIndex() == page_ && other->Visible();
  return false;
}

void Control::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(Change::Bounds);
}

Rect Control::PixelBounds() const {
  if (alignClient_) return {0, 0, form_->ClientWidth(), form_->ClientHeight()};
  return {form_->Scale(left_), form_->Scale(top_), form_->Scale(width_), form_->Scale(height_)};
}

Font Control::PixelFont() const {
  Font font = font_;
  font.height = ScaleFontHeightForDpi(font_.height, form_->Dpi());
  return font;
}

void Control::SetFont(const Font& font) {
  font_ = font;
  Changed(Change::Font);
}

void Control::SetFontColor(Color color) {
  font_.color = color;
  Changed(Change::Font);
}

void Control::SetFontName(const std::u16string& name) {
  font_.name = name;
  Changed(Change::Font);
}

void Control::SetFontSize(int points) {
  font_.height = FontHeightOfPoints(points);
  Changed(Change::Font);
}

int Control::AddItem(const std::u16string& item) {
  items_.push_back(item);
  Changed(Change::Items);
  return static_cast<int>(items_.size()) - 1;
}

void Control::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  itemIndex_ = index;
  Changed(Change::ItemIndex);
}

void Control::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Changed(Change::Checked);
  if (!checked || kind_ != Kind::RadioButton) return;
  for (const auto& other : form_->Controls()) {
    if (other.get() != this && other->kind_ == Kind::RadioButton && other->page_ == page_ &&
        other->checked_) {
      other->checked_ = false;
      other->Changed(Change::Checked);
    }
  }
}

void Control::SetRange(int min, int max) {
  min_ = min;
  max_ = max;
  SetPosition(position_);
}

void Control::SetPosition(int position) {
  position_ = std::clamp(position, min_, max_);
  Changed(Change::Position);
}

void Control::SetPageIndex(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  itemIndex_ = index;
  Changed(Change::Page);
}

void Control::SetPicture(const Picture& picture) {
  picture_ = picture;
  Changed(Change::Picture);
}

void Control::LoadPictureFromFile(const std::u16string& path) {
  SetPicture(backend::LoadPicture(path));
}

void Control::SetDirectory(const std::u16string& folder) {
  std::u16string base = folder;
  if (!base.empty() && base.back() != u'\\') base += u'\\';
  os::FindData data;
  const os::OwnedFind find(os::FindFirstFileW(base + u"*", &data));
  if (!find) {
    const os::DWORD error = os::GetLastError();
    throw EInOutError(
        text::Format(512, u"I/O error %u: cannot list the folder %s", error, folder.c_str()));
  }
  std::vector<std::u16string> names;
  do {
    if (!(data.attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (data.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
    if (data.fileName == u"." || data.fileName == u"..") continue;
    names.push_back(data.fileName);
  } while (os::FindNextFileW(find.get(), &data));
  std::stable_sort(names.begin(), names.end(),
                   [](const std::u16string& a, const std::u16string& b) {
                     return text::CompareNoCase(a, b) < 0;
                   });
  caption_ = folder;
  items_ = std::move(names);
  itemIndex_ = -1;
  Changed(Change::Items);
}

void Control::Click() {
  if (kind_ == Kind::RadioButton) SetChecked(true);
  if (OnClick) OnClick(*this);
}

void Control::UserSelect(int index) {
  SetItemIndex(index);
  if (OnChange) OnChange(*this);
}

}  // namespace ui
