#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "gui/kind_bindings.h"
#include "gui/pictures.h"
#include "gui/text.h"
#include "gui/widgets.h"

namespace kv3::gui {

namespace {

using ui::Property;

// The window: its caption is the title, its bounds the fixed client area.
class FormBinding : public Binding {
 public:
  FormBinding(ui::Form& form, QWidget* window) : Binding(form, window), form_(form) {}

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
  ui::Form& form_;
};

class LabelBinding : public Binding {
 public:
  LabelBinding(ui::Label& label, QWidget* parent)
      : Binding(label, new ClickableLabel(parent)),
        label_(label),
        view_(static_cast<ClickableLabel*>(widget())) {
    view_->setTextFormat(Qt::PlainText);
    view_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(view_, &ClickableLabel::clicked, this, [this] { label_.userClick(); });
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        view_->setText(toQt(label_.caption()));
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
    const ui::Bounds& b = label_.bounds();
    const QSize hint = view_->sizeHint();
    view_->setGeometry(b.left, b.top, std::max(b.width, hint.width()),
                       std::max(b.height, hint.height()));
  }

 private:
  ui::Label& label_;
  ClickableLabel* view_;
};

class ButtonBinding : public Binding {
 public:
  ButtonBinding(ui::Button& button, QWidget* parent)
      : Binding(button, new QPushButton(parent)),
        button_(button),
        view_(static_cast<QPushButton*>(widget())) {
    view_->setAutoDefault(false);
    connect(view_, &QPushButton::clicked, this, [this] { button_.userClick(); });
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      view_->setText(toQt(button_.caption()));
    } else if (property != Property::Color) {
      Binding::apply(property);
    }
  }

 private:
  ui::Button& button_;
  QPushButton* view_;
};

class CheckBoxBinding : public Binding {
 public:
  CheckBoxBinding(ui::CheckBox& checkBox, QWidget* parent)
      : Binding(checkBox, new QCheckBox(parent)),
        checkBox_(checkBox),
        view_(static_cast<QCheckBox*>(widget())) {
    // The widget has already turned its mark; the model decides, and the widget follows it.
    connect(view_, &QCheckBox::clicked, this, [this] {
      if (!copying()) {
        checkBox_.userClick();
        apply(Property::Checked);
      }
    });
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        view_->setText(toQt(checkBox_.caption()));
        break;
      case Property::Checked:
        if (view_->isChecked() != checkBox_.checked()) {
          CopyScope copy(*this);
          view_->setChecked(checkBox_.checked());
        }
        break;
      case Property::Color:
        paintBackgroundUnlessFace();
        break;
      default:
        Binding::apply(property);
    }
  }

 private:
  ui::CheckBox& checkBox_;
  QCheckBox* view_;
};

class GroupBoxBinding : public Binding {
 public:
  GroupBoxBinding(ui::GroupBox& group, QWidget* parent)
      : Binding(group, new QGroupBox(parent)),
        group_(group),
        view_(static_cast<QGroupBox*>(widget())) {}

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        view_->setTitle(toQt(group_.caption()));
        break;
      case Property::Color:
        paintBackgroundUnlessFace();
        break;
      default:
        Binding::apply(property);
    }
  }

 private:
  ui::GroupBox& group_;
  QGroupBox* view_;
};

class ImageBinding : public Binding {
 public:
  ImageBinding(ui::Image& image, QWidget* parent)
      : Binding(image, new ClickableLabel(parent)),
        image_(image),
        view_(static_cast<ClickableLabel*>(widget())) {
    view_->setAlignment(Qt::AlignCenter);
    connect(view_, &ClickableLabel::clicked, this, [this] { image_.userClick(); });
  }

 protected:
  void apply(Property property) override {
    if (property != Property::Color) {
      Binding::apply(property);
    }
  }
  void applyGeometry() override {
    Binding::applyGeometry();
    view_->setPixmap(pictureForBounds(image_.picture(), view_->size()));
  }

 private:
  ui::Image& image_;
  ClickableLabel* view_;
};

class GaugeBinding : public Binding {
 public:
  GaugeBinding(ui::Gauge& gauge, QWidget* parent)
      : Binding(gauge, new QProgressBar(parent)),
        gauge_(gauge),
        view_(static_cast<QProgressBar*>(widget())) {
    view_->setRange(0, 100);
    view_->setAlignment(Qt::AlignCenter);
    view_->setFormat(QStringLiteral("%p%"));
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Progress) {
      view_->setValue(gauge_.progress());
    } else if (property != Property::Color) {
      Binding::apply(property);
    }
  }

 private:
  ui::Gauge& gauge_;
  QProgressBar* view_;
};

// The memo is filled only from code; nothing reads what a user would type into it.
class MemoBinding : public Binding {
 public:
  MemoBinding(ui::Memo& memo, QWidget* parent)
      : Binding(memo, new QPlainTextEdit(parent)),
        memo_(memo),
        view_(static_cast<QPlainTextEdit*>(widget())) {
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setReadOnly(true);
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text: {
        QStringList lines;
        for (const std::string& line : memo_.lines()) {
          lines << toQt(line);
        }
        view_->setPlainText(lines.join(u'\n'));
        break;
      }
      case Property::Color:
        setPaletteColor(QPalette::Base, toQColor(memo_.color()));
        break;
      default:
        Binding::apply(property);
    }
  }

 private:
  ui::Memo& memo_;
  QPlainTextEdit* view_;
};

class ShapeBinding : public Binding {
 public:
  ShapeBinding(ui::Shape& shape, QWidget* parent)
      : Binding(shape, new CircleWidget(parent)),
        shape_(shape),
        view_(static_cast<CircleWidget*>(widget())) {}

 protected:
  void apply(Property property) override {
    if (property == Property::Color) {
      view_->setFill(toQColor(shape_.color()));
    } else {
      Binding::apply(property);
    }
  }

 private:
  ui::Shape& shape_;
  CircleWidget* view_;
};

}  // namespace

std::unique_ptr<Binding> bindForm(ui::Form& form, QWidget* window) {
  return std::make_unique<FormBinding>(form, window);
}
std::unique_ptr<Binding> bindLabel(ui::Label& label, QWidget* parent) {
  return std::make_unique<LabelBinding>(label, parent);
}
std::unique_ptr<Binding> bindButton(ui::Button& button, QWidget* parent) {
  return std::make_unique<ButtonBinding>(button, parent);
}
std::unique_ptr<Binding> bindCheckBox(ui::CheckBox& checkBox, QWidget* parent) {
  return std::make_unique<CheckBoxBinding>(checkBox, parent);
}
std::unique_ptr<Binding> bindGroupBox(ui::GroupBox& group, QWidget* parent) {
  return std::make_unique<GroupBoxBinding>(group, parent);
}
std::unique_ptr<Binding> bindImage(ui::Image& image, QWidget* parent) {
  return std::make_unique<ImageBinding>(image, parent);
}
std::unique_ptr<Binding> bindGauge(ui::Gauge& gauge, QWidget* parent) {
  return std::make_unique<GaugeBinding>(gauge, parent);
}
std::unique_ptr<Binding> bindMemo(ui::Memo& memo, QWidget* parent) {
  return std::make_unique<MemoBinding>(memo, parent);
}
std::unique_ptr<Binding> bindShape(ui::Shape& shape, QWidget* parent) {
  return std::make_unique<ShapeBinding>(shape, parent);
}

}  // namespace kv3::gui
