#include "qt/file_filter.h"

#include <QStringList>

#include "qt/text.h"

namespace kv3::qt {

QString qtNameFilters(const std::string& filter) {
  const QStringList parts = toQt(filter).split(u'|');
  if (filter.empty()) {
    return {};
  }
  QStringList filters;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    QStringList patterns;
    if (i + 1 < parts.size()) {
      for (const QString& pattern : parts[i + 1].split(u';')) {
        if (!pattern.trimmed().isEmpty()) {
          patterns << pattern.trimmed();
        }
      }
    }
    if (patterns.isEmpty()) {
      patterns << QStringLiteral("*");
    }
    const QString joined = patterns.join(u' ');
    filters << (description.isEmpty() ? joined
                                      : description + QStringLiteral(" (") + joined + u')');
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace kv3::qt
