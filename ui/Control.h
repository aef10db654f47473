// The controls of a form: one class for every kind, holding the state the user sees. Setters
// store the state and tell the backend, which mirrors it in a real window (win32) or keeps it
// as it is (sim).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/Graphics.h"

namespace ui {

class Form;

enum class Kind {
  BitBtn,            // push button; caption, default button
  Label,             // static text; font colour, word wrap
  Notebook,          // page container; pages, page index
  ComboBox,          // drop-down list without free text; items, item index
  ProgressBar,       // smooth bar; min, max, position
  RadioButton,       // checked; one group per page
  DirectoryListBox,  // sub-folders of a directory (never shown here)
  Image,             // picture stretched to the control
};

// What changed, so that a backend updates only that.
enum class Change {
  Caption,
  Visible,
  Enabled,
  Bounds,
  Font,
  Items,
  ItemIndex,
  Checked,
  Position,
  Page,
  Picture,
  Focus,
  CloseBox,
  Dpi
};

class Control {
 public:
  Control(Form* form, Kind kind, std::u16string name, int page);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Form& Owner() const { return *form_; }
  Kind GetKind() const { return kind_; }
  const std::u16string& Name() const { return name_; }
  // Notebook page the control lies on; -1 when it lies on the form itself.
  int Page() const { return page_; }

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& caption);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Visible on the page that is shown, in a visible form, and enabled: the user can use it.
  bool Showing() const;
  bool Usable() const { return Showing() && enabled_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int left, int top, int width, int height);
  // Fills the form's client area whatever its size (the bounds above are then ignored).
  bool AlignClient() const { return alignClient_; }
  void SetAlignClient(bool align) { alignClient_ = align; }
  // What the screen shows: the bounds in the form's client area and the font, in pixels at
  // the form's DPI (the values above are design values at 96 DPI).
  Rect PixelBounds() const;
  Font PixelFont() const;

  const Font& GetFont() const { return font_; }
  void SetFont(const Font& font);
  void SetFontColor(Color color);
  void SetFontName(const std::u16string& name);
  void SetFontSize(int points);

  // BitBtn: pressed by Enter.
  bool IsDefault() const { return default_; }
  void SetDefault(bool isDefault) { default_ = isDefault; }
  // Label: text wraps at the control's width.
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wrap) { wordWrap_ = wrap; }

  // ComboBox, DirectoryListBox: entries and the selected one (-1: none). Setting the index
  // from code does not run OnChange.
  const std::vector<std::u16string>& Items() const { return items_; }
  int AddItem(const std::u16string& item);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);

  // RadioButton: checking one unchecks the other radio buttons on the same page.
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

  // ProgressBar.
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int min, int max);
  int Position() const { return position_; }
  void SetPosition(int position);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool smooth) { smooth_ = smooth; }

  // Notebook.
  const std::vector<std::u16string>& Pages() const { return items_; }
  int PageIndex() const { return itemIndex_; }
  void SetPageIndex(int index);

  // Image.
  const Picture& GetPicture() const { return picture_; }
  void SetPicture(const Picture& picture);
  // Loads a bitmap (.bmp) or PNG (.png) file; throws EInOutError or EInvalidGraphic and keeps
  // the current picture.
  void LoadPictureFromFile(const std::u16string& path);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }

  // DirectoryListBox: lists the sub-folders of `folder` (without "." and "..", hidden and
  // system folders) sorted without regard to case; throws EInOutError when it cannot.
  const std::u16string& Directory() const { return caption_; }
  void SetDirectory(const std::u16string& folder);

  // Handlers, as the form description binds them.
  std::function<void(Control&)> OnClick;
  std::function<void(Control&)> OnChange;

  // What the user does (the backend or the simulated person calls these): a click runs
  // OnClick (a radio button is checked first); a selection sets the index and runs OnChange.
  void Click();
  void UserSelect(int index);

  // The backend's window for this control.
  void* peer = nullptr;

 private:
  void Changed(Change what);

  Form* form_;
  Kind kind_;
  std::u16string name_;
  int page_;
  std::u16string caption_;
  bool visible_ = true;
  bool enabled_ = true;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool alignClient_ = false;
  Font font_;
  bool default_ = false;
  bool wordWrap_ = false;
  std::vector<std::u16string> items_;
  int itemIndex_ = -1;
  bool checked_ = false;
  int min_ = 0, max_ = 100, position_ = 0;
  bool smooth_ = false;
  Picture picture_;
  bool transparent_ = false;
};

}  // namespace ui
