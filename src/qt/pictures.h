#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <string>

namespace kv3::qt {

// The stored picture of that name (":/pictures/<name>.png"); a null pixmap when there is none.
QPixmap storedPicture(const std::string& name);

// The picture scaled into size, keeping its proportions and centred; a neutral grey placeholder
// of that size when the picture is missing.
QPixmap pictureForBounds(const std::string& name, QSize size);

// The window and task-bar icon; empty when no icon is stored.
QIcon applicationIcon();

}  // namespace kv3::qt
