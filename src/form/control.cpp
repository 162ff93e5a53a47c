#include "form/control.h"

#include <algorithm>

#include "form/form.h"

namespace kv3::form {

Control::Control(Form* form, Control* parent, Kind kind, std::string name, Bounds bounds)
    : form_(form),
      parent_(parent),
      kind_(kind),
      name_(std::move(name)),
      bounds_(bounds),
      color_(kind == Kind::Edit || kind == Kind::MaskEdit || kind == Kind::ListBox ||
                     kind == Kind::Memo
                 ? clWindow
                 : clBtnFace) {
  if (parent_ != nullptr) {
    parent_->children_.push_back(this);
  }
  // The form enrols itself once its own members exist.
  if (kind != Kind::Form) {
    form_->enrol(this);
  }
}

void Control::setVisible(bool visible) {
  if (visible_ != visible) {
    visible_ = visible;
    notify(Property::Visible);
  }
}

void Control::setEnabled(bool enabled) {
  if (enabled_ != enabled) {
    enabled_ = enabled;
    notify(Property::Enabled);
  }
}

bool Control::reachable() const {
  for (const Control* c = this; c != nullptr; c = c->parent_) {
    if (!c->visible_ || !c->enabled_) {
      return false;
    }
  }
  return true;
}

void Control::setColor(Color color) {
  if (color_ != color) {
    color_ = color;
    notify(Property::Color);
  }
}

void Control::setBounds(Bounds bounds) {
  if (bounds_ != bounds) {
    bounds_ = bounds;
    notify(Property::Bounds);
  }
}

void Control::setLeft(int left) {
  Bounds b = bounds_;
  b.left = left;
  setBounds(b);
}

int Control::subscribe(Observer observer) {
  const int id = nextObserverId_++;
  observers_.emplace_back(id, std::move(observer));
  return id;
}

void Control::unsubscribe(int id) {
  std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void Control::notify(Property property) {
  // An observer may subscribe or unsubscribe while being told; work on a copy.
  const auto observers = observers_;
  for (const auto& [id, observer] : observers) {
    observer(property);
  }
}

bool Control::assignText(std::string text) {
  if (text == text_) {
    return false;
  }
  text_ = std::move(text);
  notify(Property::Text);
  return true;
}

void Control::dispatch(const std::function<void()>& action) { form_->dispatch(action); }

}  // namespace kv3::form
