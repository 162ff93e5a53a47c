#include "qt/input_mask.h"

namespace kv3::qt {

namespace {

// Qt's place character for one place of the window's mask syntax.
char qtPlace(char place) {
  switch (place) {
    case 'A':  // letter or digit, required
      return 'N';
    case 'a':  // letter or digit, optional
      return 'n';
    case 'L':  // letter, required
      return 'A';
    case 'l':  // letter, optional
      return 'a';
    case '0':  // digit, required
      return '9';
    case '9':  // digit, optional
      return '0';
    case '#':  // digit or sign, optional
      return '#';
    case 'C':  // any character, required
      return 'X';
    default:  // any character, optional
      return 'x';
  }
}

}  // namespace

QString qtInputMask(const std::string& mask) {
  if (mask.empty()) {
    return {};
  }
  QString qt;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\' && i + 1 < mask.size()) {
      ++i;
      qt += u'\\';
      qt += QLatin1Char(mask[i]);
    } else {
      qt += QLatin1Char(qtPlace(mask[i]));
    }
  }
  return qt + QStringLiteral("; ");
}

}  // namespace kv3::qt
