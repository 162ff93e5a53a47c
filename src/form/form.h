#pragma once

#include <functional>
#include <map>
#include <string>

#include "form/control.h"

namespace kv3::form {

class Desktop;

// The root of a window's controls. It knows every control by name and is the one dispatch
// point for events that come from the view.
class Form : public Control {
 public:
  Form(Desktop& desktop, std::string name, Bounds bounds, std::string caption);

  Desktop& desktop() const { return desktop_; }
  const std::string& caption() const { return text(); }
  void setCaption(std::string caption);

  // Runs a user's action; an exception that escapes it is shown in the error box, and the
  // controls stay as the action left them.
  void dispatch(const std::function<void()>& action);

  // Asked before the window closes; false keeps it open for now. A form that says no closes
  // itself later through closeWindow.
  virtual bool CloseQuery() { return true; }
  // Set by the view: closes the window (asking CloseQuery again).
  std::function<void()> closeWindow;

  Control* find(const std::string& name) const;
  template <class T>
  T& get(const std::string& name) const {
    return dynamic_cast<T&>(*find(name));
  }
  // Every control in the order it was made, the form itself first.
  const std::vector<Control*>& controls() const { return ordered_; }

 private:
  friend class Control;
  void enrol(Control* control);
  Desktop& desktop_;
  std::map<std::string, Control*, std::less<>> byName_;
  std::vector<Control*> ordered_;
};

// The error box's text: the message followed by a full stop unless it ends in one.
std::string errorBoxText(const std::string& message);

}  // namespace kv3::form
