#pragma once

#include "ui/controls.h"
#include "ui/desktop.h"
#include "ui/form.h"

namespace kv3::test {

// A small window with one control of every kind, laid out like a page of the real window.
class TestForm : public ui::Form {
 public:
  explicit TestForm(ui::Desktop& desktop)
      : Form(desktop, "TestForm", {0, 0, 480, 300}, "Testfenster") {
    Name.setBuddy(&Caption);
    Password.setBuddy(&PasswordCaption);
    Password.setPasswordChar('*');
    Mac.setBuddy(&MacCaption);
    Units.setBuddy(&UnitsCaption);
    Heading.style().bold = true;
    Link.style().underline = true;
    Link.style().fontColor = ui::clBlue;
    Logo.style().handCursor = true;
    Logo.setHint("www.example.org");
    Notes.setLines({"erste Zeile", "zweite Zeile"});
  }

  ui::Label Heading{this, this, "Heading", {8, 8, 120, 16}, "Testfenster"};
  ui::Button Link{this, this, "Link", {140, 4, 120, 25}, "Webseite &öffnen"};
  ui::Image Logo{this, this, "Logo", {300, 4, 91, 51}, "logo"};
  ui::Image Missing{this, this, "Missing", {400, 4, 73, 51}, "no_such_picture"};
  ui::PageControl Pages{this, this, "Pages", {8, 64, 464, 228}};
  ui::TabSheet First{this, &Pages, "First", "Erste"};
  ui::TabSheet Second{this, &Pages, "Second", "Zweite"};
  ui::TabSheet Third{this, &Pages, "Third", "Dritte"};

  ui::Label UnitsCaption{this, &First, "UnitsCaption", {8, 8, 150, 16}, "Geräte:"};
  ui::ListBox Units{this, &First, "Units", {8, 28, 150, 100}};
  ui::Button Search{this, &First, "Search", {8, 136, 150, 28}, "Suchen"};
  ui::Gauge Progress{this, &First, "Progress", {8, 172, 150, 16}};
  ui::Label Caption{this, &First, "Caption", {176, 12, 90, 16}, "Name:"};
  ui::Edit Name{this, &First, "Name", {270, 8, 150, 21}};
  ui::Label Hint{this, &First, "Hint", {270, 32, 150, 16}, "(max. 5 Zeichen)"};
  ui::Label PasswordCaption{this, &First, "PasswordCaption", {176, 60, 90, 16}, "Passwort:"};
  ui::Edit Password{this, &First, "Password", {270, 56, 150, 21}};
  ui::Shape Light{this, &First, "Light", {428, 58, 16, 16}};
  ui::CheckBox Reveal{this, &First, "Reveal", {270, 84, 150, 17}, "Passwort zeigen"};
  ui::Edit Installed{this, &First, "Installed", {270, 110, 150, 21}, "V1.7"};

  ui::GroupBox Group{this, &Second, "Group", {8, 8, 300, 90}, "Netzwerk"};
  ui::Label MacCaption{this, &Group, "MacCaption", {12, 32, 40, 16}, "MAC"};
  ui::MaskEdit Mac{this, &Group, "Mac", {56, 28, 150, 21}, R"(AA\:AA\:AA)"};

  ui::Memo Notes{this, &Third, "Notes", {8, 8, 300, 100}};
};

}  // namespace kv3::test
