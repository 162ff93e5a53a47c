#pragma once

#include <QString>
#include <string>

namespace kv3::qt {

// The model holds UTF-8; Qt holds UTF-16.
inline QString toQt(const std::string& text) { return QString::fromStdString(text); }
inline std::string fromQt(const QString& text) { return text.toStdString(); }

// A caption as a reader hears it: a single '&' only marks the keyboard shortcut, "&&" is an '&'.
QString readableCaption(const std::string& caption);

// Message texts carry CR LF line breaks; Qt's boxes want a plain line feed.
QString messageText(const std::string& text);

// Where the cursor of a field being typed in belongs after the model replaced its text: it stays
// where it was when the change lies behind it, and otherwise moves back by what was removed,
// never into the unchanged beginning and never past the end.
int cursorAfterCorrection(const QString& before, const QString& after, int cursor);

}  // namespace kv3::qt
