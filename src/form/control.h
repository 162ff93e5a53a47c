#pragma once

#include <functional>
#include <string>
#include <vector>

#include "form/color.h"

namespace kv3::form {

class Form;

enum class Kind {
  Form,
  Label,
  Button,
  Edit,
  MaskEdit,
  CheckBox,
  ListBox,
  Gauge,
  PageControl,
  TabSheet,
  Image,
  GroupBox,
  Memo,
  Shape,
};

// What changed on a control; observers (the view) copy just that property.
enum class Property {
  Text,
  Visible,
  Enabled,
  Color,
  Bounds,
  Checked,
  Items,
  ItemIndex,
  Progress,
  TabVisible,
  ActivePage,
  PasswordChar,
  Focus,
  ReadOnly,
};

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend constexpr bool operator==(const Bounds&, const Bounds&) = default;
};

// Fixed look of a control, set when the window is built and never changed by the behaviour.
struct Style {
  bool bold = false;
  bool underline = false;
  int fontPixels = 13;
  Color fontColor = clWindowText;
  bool handCursor = false;
  bool transparent = false;
};

// One control of a form: a headless value with the state the behaviour reads and writes.
// Every change notifies the observers; that is how the view learns of it.
class Control {
 public:
  using Observer = std::function<void(Property)>;

  Control(Form* form, Control* parent, Kind kind, std::string name, Bounds bounds);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  Kind kind() const { return kind_; }
  Control* parent() const { return parent_; }
  Form& form() const { return *form_; }
  const std::vector<Control*>& children() const { return children_; }

  bool visible() const { return visible_; }
  void setVisible(bool visible);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  // Visible and enabled, and so are all the controls it sits in.
  bool reachable() const;

  Color color() const { return color_; }
  void setColor(Color color);

  const Bounds& bounds() const { return bounds_; }
  void setBounds(Bounds bounds);
  void setLeft(int left);

  Style& style() { return style_; }
  const Style& style() const { return style_; }
  // The label whose caption names this control for a reader (an edit's label); may be null.
  const Control* buddy() const { return buddy_; }
  void setBuddy(const Control* label) { buddy_ = label; }
  const std::string& hint() const { return hint_; }
  void setHint(std::string hint) { hint_ = std::move(hint); }

  // The text a person reads on the control: an edit's content or a caption.
  const std::string& text() const { return text_; }

  int subscribe(Observer observer);
  void unsubscribe(int id);

 protected:
  void notify(Property property);
  // Stores a new text; false (and no notification) when it equals the current one.
  bool assignText(std::string text);
  // Runs a user's action through the form, which reports an escaping error.
  void dispatch(const std::function<void()>& action);

 private:
  Form* form_;
  Control* parent_;
  Kind kind_;
  std::string name_;
  Bounds bounds_;
  std::string text_;
  std::string hint_;
  const Control* buddy_ = nullptr;
  Style style_;
  Color color_;
  bool visible_ = true;
  bool enabled_ = true;
  std::vector<Control*> children_;
  std::vector<std::pair<int, Observer>> observers_;
  int nextObserverId_ = 1;
};

}  // namespace kv3::form
