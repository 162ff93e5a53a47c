#include "qt/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace kv3::qt {

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  // Like a button: the click counts only when the mouse is released over the label.
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click) {
    emit clicked();
  }
}

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
}

void PictureButton::setPixmap(const QPixmap& picture) {
  picture_ = picture;
  update();
}

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QSizeF size = picture_.deviceIndependentSize();
  painter.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2),
                     picture_);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void CircleWidget::setFill(QColor fill) {
  if (fill_ != fill) {
    fill_ = fill;
    update();
  }
}

void CircleWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int diameter = std::min(width(), height()) - 1;
  if (diameter <= 0) {
    return;
  }
  painter.setPen(QPen(QColor(64, 64, 64), 1));
  painter.setBrush(fill_);
  painter.drawEllipse(
      QRectF((width() - diameter) / 2.0, (height() - diameter) / 2.0, diameter, diameter));
}

void SelectList::mousePressEvent(QMouseEvent* event) {
  const int before = currentRow();
  QListWidget::mousePressEvent(event);
  const QListWidgetItem* hit = itemAt(event->position().toPoint());
  reportChoice(before, event->button() == Qt::LeftButton && hit != nullptr && row(hit) == before);
}

void SelectList::mouseMoveEvent(QMouseEvent* event) {
  const int before = currentRow();
  QListWidget::mouseMoveEvent(event);
  reportChoice(before, false);
}

void SelectList::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  reportChoice(before, false);
}

void SelectList::focusInEvent(QFocusEvent* event) {
  const int before = currentRow();
  QListWidget::focusInEvent(event);
  if (currentRow() != before) {
    emit movedByItself();
  }
}

void SelectList::reportChoice(int before, bool again) {
  const int now = currentRow();
  if (now >= 0 && (now != before || again)) {
    emit chosen(now);
  }
}

int PasswordCharStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                 QStyleHintReturn* returnData) const {
  if (hint == SH_LineEdit_PasswordCharacter) {
    return passwordChar_.unicode();
  }
  if (hint == SH_LineEdit_PasswordMaskDelay) {
    return 0;
  }
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

int DesktopStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
  if (hint == SH_DialogButtonBox_ButtonsHaveIcons) {
    return 0;
  }
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace kv3::qt
