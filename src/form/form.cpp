#include "form/form.h"

#include <exception>

#include "form/desktop.h"

namespace kv3::form {

Form::Form(Desktop& desktop, std::string name, Bounds bounds, std::string caption)
    : Control(this, nullptr, Kind::Form, std::move(name), bounds), desktop_(desktop) {
  enrol(this);
  assignText(std::move(caption));
}

void Form::setCaption(std::string caption) { assignText(std::move(caption)); }

void Form::dispatch(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    desktop_.errorBox(errorBoxText(error.what()));
  }
}

Control* Form::find(const std::string& name) const {
  const auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

void Form::enrol(Control* control) {
  byName_.emplace(control->name(), control);
  ordered_.push_back(control);
}

std::string errorBoxText(const std::string& message) {
  if (!message.empty() && message.back() == '.') {
    return message;
  }
  return message + ".";
}

}  // namespace kv3::form
