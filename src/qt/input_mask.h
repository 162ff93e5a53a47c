#pragma once

#include <QString>
#include <string>

namespace kv3::qt {

// Translates the window's edit mask ("AA\:AA": A a letter or digit, \x the literal x) into a Qt
// input mask with a blank as the empty place, so the widget shows exactly the model's text shape:
// every escaped character is a literal, every other character one input place.
QString qtInputMask(const std::string& mask);

}  // namespace kv3::qt
