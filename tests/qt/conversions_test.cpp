#include <gtest/gtest.h>

#include "qt/file_filter.h"
#include "qt/input_mask.h"
#include "qt/text.h"

namespace kv3::qt {
namespace {

TEST(FileFilter, PairsBecomeQtNameFilters) {
  const struct {
    const char* filter;
    const char* qt;
  } cases[] = {
      {"Firmware|*.bin", "Firmware (*.bin)"},
      {"Web-App|*.rom|Alle Dateien|*.*", "Web-App (*.rom);;Alle Dateien (*.*)"},
      {"Bilder|*.jpg;*.png;*.gif", "Bilder (*.jpg *.png *.gif)"},
      {"Bilder| *.jpg ; *.png ", "Bilder (*.jpg *.png)"},
      {"Definition|user.rem", "Definition (user.rem)"},
      {"Alles", "Alles (*)"},
      {"Firmware|", "Firmware (*)"},
      {"|*.bin", "*.bin"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(qtNameFilters(c.filter), QString::fromUtf8(c.qt)) << c.filter;
  }
}

TEST(InputMask, LiteralsStayAndPlacesTranslate) {
  const struct {
    const char* mask;
    const char* qt;
  } cases[] = {
      {R"(AA\:AA\:AA\:AA\:AA\:AA)", R"(NN\:NN\:NN\:NN\:NN\:NN; )"},
      {R"(000\.000)", R"(999\.999; )"},
      {"L9a", "A0n; "},
      {R"(\A\\)", R"(\A\\; )"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(qtInputMask(c.mask), QString::fromUtf8(c.qt)) << c.mask;
  }
}

TEST(Text, CursorAfterTheModelCorrectedATypedText) {
  const struct {
    const char* before;
    const char* after;
    int cursor;
    int expected;
  } cases[] = {
      {"abcdef", "abcde", 6, 5},    // cut at the end while typing there
      {"abXcdef", "abXcde", 3, 3},  // cut at the end while typing in the middle
      {"abäc", "abc", 3, 2},        // a removed character before the cursor
      {"abc", "", 3, 0},            // emptied by the handler
      {"abc", "abc", 2, 2},         // nothing changed
      {"ab", "abcd", 2, 2},         // the handler added behind the cursor
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        cursorAfterCorrection(QString::fromUtf8(c.before), QString::fromUtf8(c.after), c.cursor),
        c.expected)
        << c.before << " -> " << c.after;
  }
}

TEST(Text, CaptionsAndMessagesAsShown) {
  EXPECT_EQ(readableCaption("&Datei öffnen"), QString::fromUtf8("Datei öffnen"));
  EXPECT_EQ(readableCaption("Laden && Speichern"), QStringLiteral("Laden & Speichern"));
  EXPECT_EQ(messageText("Das Programm ist schon gestartet!\r\nApplication is already activ."),
            QStringLiteral("Das Programm ist schon gestartet!\nApplication is already activ."));
}

}  // namespace
}  // namespace kv3::qt
