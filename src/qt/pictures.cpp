#include "qt/pictures.h"

#include <QFile>
#include <QPainter>

#include "qt/text.h"

// The pictures live in a resource compiled into the static view library; its registration has
// to be pulled in by hand or the linker drops it. It cannot be called from inside a namespace.
static void registerPictures() {
#ifdef KV3_GUI_PICTURES
  static const bool once = [] {
    Q_INIT_RESOURCE(pictures);
    return true;
  }();
  (void)once;
#endif
}

namespace kv3::qt {

QPixmap storedPicture(const std::string& name) {
  registerPictures();
  const QString path = QStringLiteral(":/pictures/") + toQt(name) + QStringLiteral(".png");
  if (name.empty() || !QFile::exists(path)) {
    return {};
  }
  return QPixmap(path);
}

QPixmap pictureForBounds(const std::string& name, QSize size) {
  if (size.isEmpty()) {
    return {};
  }
  QPixmap result(size);
  result.fill(Qt::transparent);
  QPainter painter(&result);
  const QPixmap picture = storedPicture(name);
  if (picture.isNull()) {
    painter.fillRect(result.rect(), QColor(224, 224, 224));
    painter.setPen(QColor(176, 176, 176));
    painter.drawRect(result.rect().adjusted(0, 0, -1, -1));
    return result;
  }
  const QPixmap scaled = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  painter.drawPixmap((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2,
                     scaled);
  return result;
}

QIcon applicationIcon() {
  QIcon icon;
  for (const char* name : {"app_icon", "app_icon_256"}) {
    const QPixmap size = storedPicture(name);
    if (!size.isNull()) {
      icon.addPixmap(size);
    }
  }
  return icon;
}

}  // namespace kv3::qt
