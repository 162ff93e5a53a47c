#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QLabel>
#include <QListWidget>
#include <QProxyStyle>
#include <QWidget>

namespace kv3::qt {

// A label (caption or picture) that reports a click of the left mouse button, as the window's
// labels and pictures have click events.
class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

// A picture operated like a button: by the mouse, by the keyboard (Tab, Space) and over the
// accessibility bus. It looks like the picture alone, with the focus frame while it has focus.
class PictureButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit PictureButton(QWidget* parent);
  void setPixmap(const QPixmap& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
};

// A filled circle in the middle of the widget, drawn with a thin dark outline.
class CircleWidget : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  void setFill(QColor fill);
  QColor fill() const { return fill_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor fill_ = Qt::white;
};

// A list that reports the user's choices only: an entry made current with the mouse or the
// keyboard, and a click on the entry that is already current (selecting an entry is the list's
// click event, and a second click on the same entry runs it again). Qt moves the current entry
// on its own as well (a list that gets the focus without a current entry makes its first one
// current); that is reported apart, as no choice of the user's.
class SelectList : public QListWidget {
  Q_OBJECT
 public:
  using QListWidget::QListWidget;

 signals:
  void chosen(int row);
  void movedByItself();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  // After the user's input: the current entry if it is another than `before`, or if `again`.
  void reportChoice(int before, bool again);
};

// Shows every character of a password field as the field's own password character.
class PasswordCharStyle : public QProxyStyle {
 public:
  explicit PasswordCharStyle(QChar passwordChar) : passwordChar_(passwordChar) {}
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;

 private:
  QChar passwordChar_;
};

// The look of the whole program: the desktop's plain dialog buttons, without icons on them.
class DesktopStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace kv3::qt
