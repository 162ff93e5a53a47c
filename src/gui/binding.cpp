#include "gui/binding.h"

#include "gui/kind_bindings.h"
#include "gui/text.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace kv3::gui {

QColor toQColor(ui::Color color) { return QColor(color.r, color.g, color.b); }

Binding::Binding(ui::Control& control, QWidget* widget) : control_(control), widget_(widget) {
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
  watch(control_, [this](ui::Property property) { apply(property); });
  followReadableName();
  // Focus is an event, not a state: it is not copied at the start.
  using P = ui::Property;
  for (const P property :
       {P::Bounds, P::Text, P::Items, P::ItemIndex, P::Checked, P::Progress, P::TabVisible,
        P::ActivePage, P::PasswordChar, P::ReadOnly, P::Color, P::Enabled, P::Visible}) {
    apply(property);
  }
}

void Binding::apply(ui::Property property) {
  switch (property) {
    case ui::Property::Visible:
      widget_->setVisible(control_.visible());
      break;
    case ui::Property::Enabled:
      widget_->setEnabled(control_.enabled());
      break;
    case ui::Property::Bounds:
      applyGeometry();
      break;
    case ui::Property::Focus:
      widget_->setFocus(Qt::OtherFocusReason);
      break;
    default:
      break;
  }
}

void Binding::applyGeometry() {
  const ui::Bounds& b = control_.bounds();
  widget_->setGeometry(b.left, b.top, b.width, b.height);
}

void Binding::watch(ui::Control& other, std::function<void(ui::Property)> observer) {
  subscriptions_.emplace_back(&other, other.subscribe(std::move(observer)));
}

void Binding::setPaletteColor(QPalette::ColorRole role, QColor color) {
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::Active, role, color);
  palette.setColor(QPalette::Inactive, role, color);
  widget_->setPalette(palette);
}

void Binding::paintBackgroundUnlessFace() {
  const bool paint = control_.color() != ui::clBtnFace;
  if (paint) {
    setPaletteColor(QPalette::Window, toQColor(control_.color()));
  }
  widget_->setAutoFillBackground(paint);
  widget_->update();
}

void Binding::applyStyle() {
  const ui::Style& style = control_.style();
  const ui::Style plain;
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
  ui::Control* source = nullptr;
  switch (control_.kind()) {
    case ui::Kind::Form:
    case ui::Kind::Label:
    case ui::Kind::Button:
    case ui::Kind::CheckBox:
    case ui::Kind::TabSheet:
    case ui::Kind::GroupBox:
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
        control_.kind() == ui::Kind::Image ? static_cast<const ui::Image*>(&control_) : nullptr;
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
  watch(*source, [copy](ui::Property property) {
    if (property == ui::Property::Text) {
      copy();
    }
  });
}

std::unique_ptr<Binding> makeBinding(ui::Control& control, QWidget* parent) {
  switch (control.kind()) {
    case ui::Kind::Form:
      return bindForm(static_cast<ui::Form&>(control), parent);
    case ui::Kind::Label:
      return bindLabel(static_cast<ui::Label&>(control), parent);
    case ui::Kind::Button:
      return bindButton(static_cast<ui::Button&>(control), parent);
    case ui::Kind::Edit:
    case ui::Kind::MaskEdit:
      return bindEdit(static_cast<ui::Edit&>(control), parent);
    case ui::Kind::CheckBox:
      return bindCheckBox(static_cast<ui::CheckBox&>(control), parent);
    case ui::Kind::ListBox:
      return bindListBox(static_cast<ui::ListBox&>(control), parent);
    case ui::Kind::Gauge:
      return bindGauge(static_cast<ui::Gauge&>(control), parent);
    case ui::Kind::PageControl:
      return bindPageControl(static_cast<ui::PageControl&>(control), parent);
    case ui::Kind::TabSheet:
      return bindTabSheet(static_cast<ui::TabSheet&>(control), parent);
    case ui::Kind::Image:
      return bindImage(static_cast<ui::Image&>(control), parent);
    case ui::Kind::GroupBox:
      return bindGroupBox(static_cast<ui::GroupBox&>(control), parent);
    case ui::Kind::Memo:
      return bindMemo(static_cast<ui::Memo&>(control), parent);
    case ui::Kind::Shape:
      return bindShape(static_cast<ui::Shape&>(control), parent);
  }
  return nullptr;
}

}  // namespace kv3::gui
