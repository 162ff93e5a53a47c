#pragma once

#include <QString>
#include <string>

namespace kv3::qt {

// Turns a dialog filter of description|patterns pairs ("Firmware|*.bin", "Bilder|*.jpg;*.png|
// Alle|*.*") into Qt's name filters ("Firmware (*.bin)", "Bilder (*.jpg *.png);;Alle (*.*)").
// A description without patterns matches every file; an empty filter gives an empty text.
QString qtNameFilters(const std::string& filter);

}  // namespace kv3::qt
