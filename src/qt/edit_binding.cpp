#include <QLineEdit>
#include <QPointer>

#include "qt/input_mask.h"
#include "qt/kind_bindings.h"
#include "qt/text.h"
#include "qt/widgets.h"

namespace kv3::qt {

namespace {

using form::Property;

// A plain or masked edit field. Whatever changes the widget's text (typing, pasting, an
// assistive tool) goes to the model as the user's edit; the model may correct it at once, and
// the field then shows the corrected text with the cursor where the user expects it.
class EditBinding : public Binding {
 public:
  EditBinding(form::Edit& edit, QWidget* parent)
      : Binding(edit, new QLineEdit(parent)),
        edit_(edit),
        view_(static_cast<QLineEdit*>(widget())) {
    if (edit.kind() == form::Kind::MaskEdit) {
      view_->setInputMask(qtInputMask(static_cast<form::MaskEdit&>(edit).mask()));
      masked_ = true;
    } else if (edit.maxLength() > 0) {
      view_->setMaxLength(edit.maxLength());
    }
    connect(view_, &QLineEdit::textChanged, this, [this] {
      if (!copying()) {
        edit_.userEdit(fromQt(shownText()));
        copyText();
      }
    });
  }

  ~EditBinding() override {
    if (view_ && passwordStyle_) {
      view_->setStyle(nullptr);
    }
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        copyText();
        break;
      case Property::PasswordChar:
        copyPasswordChar();
        break;
      case Property::ReadOnly:
        view_->setReadOnly(edit_.readOnly());
        break;
      case Property::Color:
        setPaletteColor(QPalette::Base, toQColor(edit_.color()));
        break;
      default:
        Binding::apply(property);
    }
  }

 private:
  // The text as the model holds it: a masked field keeps its blanks and literals.
  QString shownText() const {
    return masked_ && view_->echoMode() == QLineEdit::Normal ? view_->displayText() : view_->text();
  }

  void copyText() {
    const QString wanted = toQt(edit_.text());
    const QString shown = shownText();
    if (shown == wanted) {
      return;
    }
    CopyScope copy(*this);
    if (view_->hasFocus()) {
      const int cursor = view_->cursorPosition();
      view_->setText(wanted);
      view_->setCursorPosition(cursorAfterCorrection(shown, shownText(), cursor));
    } else {
      view_->setText(wanted);
      // A long file name shows its beginning, as it does after the window opens.
      view_->setCursorPosition(0);
    }
  }

  void copyPasswordChar() {
    const char passwordChar = edit_.passwordChar();
    if (passwordChar == 0) {
      view_->setEchoMode(QLineEdit::Normal);
      return;
    }
    auto style = std::make_unique<PasswordCharStyle>(QChar::fromLatin1(passwordChar));
    view_->setStyle(style.get());
    passwordStyle_ = std::move(style);
    view_->setEchoMode(QLineEdit::Password);
  }

  form::Edit& edit_;
  QPointer<QLineEdit> view_;
  std::unique_ptr<PasswordCharStyle> passwordStyle_;
  bool masked_ = false;
};

}  // namespace

std::unique_ptr<Binding> bindEdit(form::Edit& edit, QWidget* parent) {
  return std::make_unique<EditBinding>(edit, parent);
}

}  // namespace kv3::qt
