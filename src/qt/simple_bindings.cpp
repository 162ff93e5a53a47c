#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "qt/kind_bindings.h"
#include "qt/pictures.h"
#include "qt/text.h"
#include "qt/widgets.h"

namespace kv3::qt {

namespace {

using form::Property;

// The window: its caption is the title, its bounds the fixed client area.
class FormBinding : public Binding {
 public:
  FormBinding(form::Form& form, QWidget* window) : Binding(form, window), form_(form) {}

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        widget()->setWindowTitle(toQt(form_.caption()));
        break;
      case Property::Color:
        setPaletteColor(QPalette::Window, toQColor(form_.color()));
        break;
      case Property::Visible:
        // Whether the window is on screen is the program's choice, not the model's.
        break;
      default:
        Binding::apply(property);
    }
  }
  void applyGeometry() override {
    widget()->setFixedSize(form_.bounds().width, form_.bounds().height);
  }

 private:
  form::Form& form_;
};

class LabelBinding : public TypedBinding<form::Label, ClickableLabel> {
 public:
  LabelBinding(form::Label& label, QWidget* parent)
      : TypedBinding(label, new ClickableLabel(parent)) {
    view_->setTextFormat(Qt::PlainText);
    view_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(view_, &ClickableLabel::clicked, this, [this] { model_.userClick(); });
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        view_->setText(toQt(model_.caption()));
        applyGeometry();
        break;
      case Property::Color:
        paintBackgroundUnlessFace();
        break;
      default:
        Binding::apply(property);
    }
  }
  // A label grows to show its whole caption, whatever language it is in.
  void applyGeometry() override {
    const form::Bounds& b = model_.bounds();
    const QSize hint = view_->sizeHint();
    view_->setGeometry(b.left, b.top, std::max(b.width, hint.width()),
                       std::max(b.height, hint.height()));
  }
};

class ButtonBinding : public TypedBinding<form::Button, QPushButton> {
 public:
  ButtonBinding(form::Button& button, QWidget* parent)
      : TypedBinding(button, new QPushButton(parent)) {
    view_->setAutoDefault(false);
    connect(view_, &QPushButton::clicked, this, [this] { model_.userClick(); });
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      view_->setText(toQt(model_.caption()));
    } else if (property != Property::Color) {
      Binding::apply(property);
    }
  }
};

class CheckBoxBinding : public TypedBinding<form::CheckBox, QCheckBox> {
 public:
  CheckBoxBinding(form::CheckBox& checkBox, QWidget* parent)
      : TypedBinding(checkBox, new QCheckBox(parent)) {
    // The widget has already turned its mark; the model decides, and the widget follows it.
    connect(view_, &QCheckBox::clicked, this, [this] {
      if (!copying()) {
        model_.userClick();
        apply(Property::Checked);
      }
    });
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        view_->setText(toQt(model_.caption()));
        break;
      case Property::Checked:
        if (view_->isChecked() != model_.checked()) {
          CopyScope copy(*this);
          view_->setChecked(model_.checked());
        }
        break;
      case Property::Color:
        paintBackgroundUnlessFace();
        break;
      default:
        Binding::apply(property);
    }
  }
};

class GroupBoxBinding : public TypedBinding<form::GroupBox, QGroupBox> {
 public:
  GroupBoxBinding(form::GroupBox& group, QWidget* parent)
      : TypedBinding(group, new QGroupBox(parent)) {}

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        view_->setTitle(toQt(model_.caption()));
        break;
      case Property::Color:
        paintBackgroundUnlessFace();
        break;
      default:
        Binding::apply(property);
    }
  }
};

// A picture: a label, or, with a name and a click handler (the language flags), a button for the
// keyboard and for readers of the screen.
template <class View>
class ImageBinding : public TypedBinding<form::Image, View> {
 public:
  ImageBinding(form::Image& image, QWidget* parent)
      : TypedBinding<form::Image, View>(image, new View(parent)) {
    if constexpr (requires(View * label) { label->setAlignment(Qt::AlignCenter); }) {
      this->view_->setAlignment(Qt::AlignCenter);
    }
    QObject::connect(this->view_, &View::clicked, this, [this] { this->model_.userClick(); });
  }

 protected:
  void apply(Property property) override {
    if (property != Property::Color) {
      Binding::apply(property);
    }
  }
  void applyGeometry() override {
    Binding::applyGeometry();
    this->view_->setPixmap(pictureForBounds(this->model_.picture(), this->view_->size()));
  }
};

class GaugeBinding : public TypedBinding<form::Gauge, QProgressBar> {
 public:
  GaugeBinding(form::Gauge& gauge, QWidget* parent)
      : TypedBinding(gauge, new QProgressBar(parent)) {
    view_->setRange(0, 100);
    view_->setAlignment(Qt::AlignCenter);
    view_->setFormat(QStringLiteral("%p%"));
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Progress) {
      view_->setValue(model_.progress());
    } else if (property != Property::Color) {
      Binding::apply(property);
    }
  }
};

// The memo is filled only from code; nothing reads what a user would type into it.
class MemoBinding : public TypedBinding<form::Memo, QPlainTextEdit> {
 public:
  MemoBinding(form::Memo& memo, QWidget* parent) : TypedBinding(memo, new QPlainTextEdit(parent)) {
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setReadOnly(true);
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text: {
        QStringList lines;
        for (const std::string& line : model_.lines()) {
          lines << toQt(line);
        }
        view_->setPlainText(lines.join(u'\n'));
        break;
      }
      case Property::Color:
        setPaletteColor(QPalette::Base, toQColor(model_.color()));
        break;
      default:
        Binding::apply(property);
    }
  }
};

class ShapeBinding : public TypedBinding<form::Shape, CircleWidget> {
 public:
  ShapeBinding(form::Shape& shape, QWidget* parent)
      : TypedBinding(shape, new CircleWidget(parent)) {}

 protected:
  void apply(Property property) override {
    if (property == Property::Color) {
      view_->setFill(toQColor(model_.color()));
    } else {
      Binding::apply(property);
    }
  }
};

}  // namespace

std::unique_ptr<Binding> bindForm(form::Form& form, QWidget* window) {
  return std::make_unique<FormBinding>(form, window);
}
std::unique_ptr<Binding> bindLabel(form::Label& label, QWidget* parent) {
  return std::make_unique<LabelBinding>(label, parent);
}
std::unique_ptr<Binding> bindButton(form::Button& button, QWidget* parent) {
  return std::make_unique<ButtonBinding>(button, parent);
}
std::unique_ptr<Binding> bindCheckBox(form::CheckBox& checkBox, QWidget* parent) {
  return std::make_unique<CheckBoxBinding>(checkBox, parent);
}
std::unique_ptr<Binding> bindGroupBox(form::GroupBox& group, QWidget* parent) {
  return std::make_unique<GroupBoxBinding>(group, parent);
}
std::unique_ptr<Binding> bindImage(form::Image& image, QWidget* parent) {
  if (image.onClick && !image.accessibleName.empty()) {
    return std::make_unique<ImageBinding<PictureButton>>(image, parent);
  }
  return std::make_unique<ImageBinding<ClickableLabel>>(image, parent);
}
std::unique_ptr<Binding> bindGauge(form::Gauge& gauge, QWidget* parent) {
  return std::make_unique<GaugeBinding>(gauge, parent);
}
std::unique_ptr<Binding> bindMemo(form::Memo& memo, QWidget* parent) {
  return std::make_unique<MemoBinding>(memo, parent);
}
std::unique_ptr<Binding> bindShape(form::Shape& shape, QWidget* parent) {
  return std::make_unique<ShapeBinding>(shape, parent);
}

}  // namespace kv3::qt
