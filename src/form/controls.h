#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "form/control.h"

namespace kv3::form {

using Handler = std::function<void()>;

// A control with a caption that code sets and that no handler watches.
class Captioned : public Control {
 public:
  using Control::Control;
  const std::string& caption() const { return text(); }
  void setCaption(std::string caption);
};

class Label : public Captioned {
 public:
  Label(Form* form, Control* parent, std::string name, Bounds bounds, std::string caption);
  Handler onClick;
  // A click that comes from the window.
  void userClick();
};

class Button : public Captioned {
 public:
  Button(Form* form, Control* parent, std::string name, Bounds bounds, std::string caption);
  Handler onClick;
  // A click from code runs the handler even while the button is disabled.
  void click();
  // A click from the window reaches only a visible, enabled button.
  void userClick();
};

class Edit : public Control {
 public:
  Edit(Form* form, Control* parent, std::string name, Bounds bounds, std::string text = {});
  Handler onChange;
  // Runs onChange only when the text differs; a handler that replaces the text re-enters itself.
  virtual void setText(std::string text);
  // Text typed (or pasted, or set through accessibility) in the window.
  void userEdit(std::string text);
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool readOnly);
  // 0 shows the characters; otherwise each character shows as this one.
  char passwordChar() const { return passwordChar_; }
  void setPasswordChar(char passwordChar);
  int maxLength() const { return maxLength_; }
  void setMaxLength(int maxLength) { maxLength_ = maxLength; }

 protected:
  Edit(Form* form, Control* parent, Kind kind, std::string name, Bounds bounds);

 private:
  bool readOnly_ = false;
  char passwordChar_ = 0;
  int maxLength_ = 0;
};

// An edit whose input follows a mask such as "AA\:AA": A is a letter or digit, \x a literal x.
// Its text always has the mask's shape; an empty text shows the literals with blanks.
class MaskEdit : public Edit {
 public:
  MaskEdit(Form* form, Control* parent, std::string name, Bounds bounds, std::string mask);
  const std::string& mask() const { return mask_; }
  // The text that stands for "nothing typed": the literals with a blank at every input place.
  const std::string& emptyText() const { return emptyText_; }
  void setText(std::string text) override;

  // Typing into the field keeps its shape, as the desktop's masked edit does: a typed character
  // takes the place of the next blank at the cursor, the literals (the colons of a MAC) are
  // stepped over, and Backspace and Delete put the blank back. The text after a key at `cursor`
  // in `text` (a character from ' ' to '~'), with the cursor where it goes; nothing when the key
  // changes nothing (typed past the end, erased before the start).
  struct Typed {
    std::string text;
    std::size_t cursor = 0;
  };
  enum class Key { Character, Backspace, Delete };
  std::optional<Typed> typed(std::string text, std::size_t cursor, Key key,
                             char character = ' ') const;

 private:
  std::string mask_;
  std::string emptyText_;
};

class CheckBox : public Captioned {
 public:
  CheckBox(Form* form, Control* parent, std::string name, Bounds bounds, std::string caption);
  Handler onClick;
  bool checked() const { return checked_; }
  // Runs onClick only when the mark changes.
  void setChecked(bool checked);
  void userClick();

 private:
  bool checked_ = false;
};

class ListBox : public Control {
 public:
  ListBox(Form* form, Control* parent, std::string name, Bounds bounds);
  Handler onClick;
  const std::vector<std::string>& items() const { return items_; }
  void clear();
  void add(std::string item);
  int itemIndex() const { return itemIndex_; }
  // From code: runs no handler.
  void setItemIndex(int index);
  // A click on an entry in the window: selects it and runs onClick.
  void userSelect(int index);
  void setFocus();

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

class Gauge : public Control {
 public:
  Gauge(Form* form, Control* parent, std::string name, Bounds bounds);
  int progress() const { return progress_; }
  // The gauge keeps its value within 0 to 100.
  void setProgress(int progress);

 private:
  int progress_ = 0;
};

class TabSheet;

class PageControl : public Control {
 public:
  PageControl(Form* form, Control* parent, std::string name, Bounds bounds);
  const std::vector<TabSheet*>& pages() const { return pages_; }
  TabSheet* activePage() const { return activePage_; }
  void setActivePage(TabSheet* page);
  // A click on a tab in the window.
  void userSelectPage(TabSheet* page);

 private:
  friend class TabSheet;
  void addPage(TabSheet* page);
  void tabHidden(TabSheet* page);
  std::vector<TabSheet*> pages_;
  TabSheet* activePage_ = nullptr;
};

class TabSheet : public Captioned {
 public:
  TabSheet(Form* form, PageControl* parent, std::string name, std::string caption);
  bool tabVisible() const { return tabVisible_; }
  // Hiding the tab of the page in front brings the first page with a visible tab to the front.
  void setTabVisible(bool visible);
  PageControl& pageControl() const { return *pageControl_; }

 private:
  PageControl* pageControl_;
  bool tabVisible_ = true;
};

class Image : public Control {
 public:
  // picture names a stored picture that the view draws.
  Image(Form* form, Control* parent, std::string name, Bounds bounds, std::string picture);
  Handler onClick;
  // What the picture stands for, for a reader of the screen; a picture with a name and a click
  // handler is operated like a button.
  std::string accessibleName;
  const std::string& picture() const { return picture_; }
  void userClick();

 private:
  std::string picture_;
};

class GroupBox : public Captioned {
 public:
  GroupBox(Form* form, Control* parent, std::string name, Bounds bounds, std::string caption);
};

class Memo : public Control {
 public:
  Memo(Form* form, Control* parent, std::string name, Bounds bounds);
  const std::vector<std::string>& lines() const { return lines_; }
  void setLines(std::vector<std::string> lines);

 private:
  std::vector<std::string> lines_;
};

// A filled circle; its colour is the control's colour.
class Shape : public Control {
 public:
  Shape(Form* form, Control* parent, std::string name, Bounds bounds);
};

}  // namespace kv3::form
