#include "qt/binding.h"

#include "form/controls.h"
#include "form/form.h"
#include "qt/kind_bindings.h"
#include "qt/text.h"

namespace kv3::qt {

QColor toQColor(form::Color color) { return QColor(color.r, color.g, color.b); }

Binding::Binding(form::Control& control, QWidget* widget) : control_(control), widget_(widget) {
  // Automated checks and screen readers find a control by its name in the window description.
  widget->setObjectName(toQt(control.name()));
  widget->setAccessibleDescription(toQt(control.name()));
  if (!control.hint().empty()) {
    widget->setToolTip(toQt(control.hint()));
  }
  applyStyle();
}

Binding::~Binding() {
  for (const auto& [control, id] : subscriptions_) {
    control->unsubscribe(id);
  }
}

void Binding::start() {
  watch(control_, [this](form::Property property) { apply(property); });
  followReadableName();
  // Focus is an event, not a state: it is not copied at the start.
  using P = form::Property;
  for (const P property :
       {P::Bounds, P::Text, P::Items, P::ItemIndex, P::Checked, P::Progress, P::TabVisible,
        P::ActivePage, P::PasswordChar, P::ReadOnly, P::Color, P::Enabled, P::Visible}) {
    apply(property);
  }
}

void Binding::apply(form::Property property) {
  switch (property) {
    case form::Property::Visible:
      widget_->setVisible(control_.visible());
      break;
    case form::Property::Enabled:
      widget_->setEnabled(control_.enabled());
      break;
    case form::Property::Bounds:
      applyGeometry();
      break;
    case form::Property::Focus:
      widget_->setFocus(Qt::OtherFocusReason);
      break;
    default:
      break;
  }
}

void Binding::applyGeometry() {
  const form::Bounds& b = control_.bounds();
  widget_->setGeometry(b.left, b.top, b.width, b.height);
}

void Binding::watch(form::Control& other, std::function<void(form::Property)> observer) {
  subscriptions_.emplace_back(&other, other.subscribe(std::move(observer)));
}

void Binding::setPaletteColor(QPalette::ColorRole role, QColor color) {
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::Active, role, color);
  palette.setColor(QPalette::Inactive, role, color);
  widget_->setPalette(palette);
}

void Binding::paintBackgroundUnlessFace() {
  const bool paint = control_.color() != form::clBtnFace;
  if (paint) {
    setPaletteColor(QPalette::Window, toQColor(control_.color()));
  }
  widget_->setAutoFillBackground(paint);
  widget_->update();
}

void Binding::applyStyle() {
  const form::Style& style = control_.style();
  const form::Style plain;
  if (style.fontPixels != plain.fontPixels || style.bold || style.underline) {
    QFont font = widget_->font();
    font.setPixelSize(style.fontPixels);
    font.setBold(style.bold);
    font.setUnderline(style.underline);
    widget_->setFont(font);
  }
  if (style.fontColor != plain.fontColor) {
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
      setPaletteColor(role, toQColor(style.fontColor));
    }
  }
  if (style.handCursor) {
    widget_->setCursor(Qt::PointingHandCursor);
  }
}

void Binding::followReadableName() {
  form::Control* source = nullptr;
  switch (control_.kind()) {
    case form::Kind::Form:
    case form::Kind::Label:
    case form::Kind::Button:
    case form::Kind::CheckBox:
    case form::Kind::TabSheet:
    case form::Kind::GroupBox:
      source = &control_;
      break;
    default:
      // An edit is named by the label beside it; the form hands out the label for observing.
      if (control_.buddy() != nullptr) {
        source = control_.form().find(control_.buddy()->name());
      }
      break;
  }
  if (source == nullptr) {
    // A picture says what it stands for; other controls their hint.
    const auto* image =
        control_.kind() == form::Kind::Image ? static_cast<const form::Image*>(&control_) : nullptr;
    widget_->setAccessibleName(toQt(image != nullptr && !image->accessibleName.empty()
                                        ? image->accessibleName
                                        : control_.hint()));
    return;
  }
  auto copy = [widget = widget_, source] {
    if (widget) {
      widget->setAccessibleName(readableCaption(source->text()));
    }
  };
  copy();
  watch(*source, [copy](form::Property property) {
    if (property == form::Property::Text) {
      copy();
    }
  });
}

std::unique_ptr<Binding> makeBinding(form::Control& control, QWidget* parent) {
  switch (control.kind()) {
    case form::Kind::Form:
      return bindForm(static_cast<form::Form&>(control), parent);
    case form::Kind::Label:
      return bindLabel(static_cast<form::Label&>(control), parent);
    case form::Kind::Button:
      return bindButton(static_cast<form::Button&>(control), parent);
    case form::Kind::Edit:
    case form::Kind::MaskEdit:
      return bindEdit(static_cast<form::Edit&>(control), parent);
    case form::Kind::CheckBox:
      return bindCheckBox(static_cast<form::CheckBox&>(control), parent);
    case form::Kind::ListBox:
      return bindListBox(static_cast<form::ListBox&>(control), parent);
    case form::Kind::Gauge:
      return bindGauge(static_cast<form::Gauge&>(control), parent);
    case form::Kind::PageControl:
      return bindPageControl(static_cast<form::PageControl&>(control), parent);
    case form::Kind::TabSheet:
      return bindTabSheet(static_cast<form::TabSheet&>(control), parent);
    case form::Kind::Image:
      return bindImage(static_cast<form::Image&>(control), parent);
    case form::Kind::GroupBox:
      return bindGroupBox(static_cast<form::GroupBox&>(control), parent);
    case form::Kind::Memo:
      return bindMemo(static_cast<form::Memo&>(control), parent);
    case form::Kind::Shape:
      return bindShape(static_cast<form::Shape&>(control), parent);
  }
  return nullptr;
}

}  // namespace kv3::qt
