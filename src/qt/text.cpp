#include "qt/text.h"

#include <algorithm>

namespace kv3::qt {

QString readableCaption(const std::string& caption) {
  const QString text = toQt(caption);
  QString readable;
  readable.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&') {
      if (i + 1 < text.size() && text[i + 1] == u'&') {
        readable += u'&';
        ++i;
      }
      continue;
    }
    readable += text[i];
  }
  return readable;
}

QString messageText(const std::string& text) {
  QString qt = toQt(text);
  qt.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  qt.replace(u'\r', u'\n');
  return qt;
}

int cursorAfterCorrection(const QString& before, const QString& after, int cursor) {
  const qsizetype limit = std::min(before.size(), after.size());
  qsizetype prefix = 0;
  while (prefix < limit && before[prefix] == after[prefix]) {
    ++prefix;
  }
  if (cursor <= prefix) {
    return cursor;
  }
  const qsizetype moved = cursor - (before.size() - after.size());
  return static_cast<int>(std::clamp(moved, prefix, after.size()));
}

}  // namespace kv3::qt
