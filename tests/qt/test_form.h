#pragma once

#include "form/controls.h"
#include "form/desktop.h"
#include "form/form.h"

namespace kv3::test {

// A small window with one control of every kind, laid out like a page of the real window.
class TestForm : public form::Form {
 public:
  explicit TestForm(form::Desktop& desktop)
      : Form(desktop, "TestForm", {0, 0, 480, 300}, "Testfenster") {
    Name.setBuddy(&Caption);
    Password.setBuddy(&PasswordCaption);
    Password.setPasswordChar('*');
    Mac.setBuddy(&MacCaption);
    Units.setBuddy(&UnitsCaption);
    Heading.style().bold = true;
    Link.style().underline = true;
    Link.style().fontColor = form::clBlue;
    Logo.style().handCursor = true;
    Logo.setHint("www.example.org");
    Notes.setLines({"erste Zeile", "zweite Zeile"});
  }

  form::Label Heading{this, this, "Heading", {8, 8, 120, 16}, "Testfenster"};
  form::Button Link{this, this, "Link", {140, 4, 120, 25}, "Webseite &öffnen"};
  form::Image Logo{this, this, "Logo", {300, 4, 91, 51}, "logo"};
  form::Image Missing{this, this, "Missing", {400, 4, 73, 51}, "no_such_picture"};
  form::PageControl Pages{this, this, "Pages", {8, 64, 464, 228}};
  form::TabSheet First{this, &Pages, "First", "Erste"};
  form::TabSheet Second{this, &Pages, "Second", "Zweite"};
  form::TabSheet Third{this, &Pages, "Third", "Dritte"};

  form::Label UnitsCaption{this, &First, "UnitsCaption", {8, 8, 150, 16}, "Geräte:"};
  form::ListBox Units{this, &First, "Units", {8, 28, 150, 100}};
  form::Button Search{this, &First, "Search", {8, 136, 150, 28}, "Suchen"};
  form::Gauge Progress{this, &First, "Progress", {8, 172, 150, 16}};
  form::Label Caption{this, &First, "Caption", {176, 12, 90, 16}, "Name:"};
  form::Edit Name{this, &First, "Name", {270, 8, 150, 21}};
  form::Label Hint{this, &First, "Hint", {270, 32, 150, 16}, "(max. 5 Zeichen)"};
  form::Label PasswordCaption{this, &First, "PasswordCaption", {176, 60, 90, 16}, "Passwort:"};
  form::Edit Password{this, &First, "Password", {270, 56, 150, 21}};
  form::Shape Light{this, &First, "Light", {428, 58, 16, 16}};
  form::CheckBox Reveal{this, &First, "Reveal", {270, 84, 150, 17}, "Passwort zeigen"};
  form::Edit Installed{this, &First, "Installed", {270, 110, 150, 21}, "V1.7"};

  form::GroupBox Group{this, &Second, "Group", {8, 8, 300, 90}, "Netzwerk"};
  form::Label MacCaption{this, &Group, "MacCaption", {12, 32, 40, 16}, "MAC"};
  form::MaskEdit Mac{this, &Group, "Mac", {56, 28, 150, 21}, R"(AA\:AA\:AA)"};

  form::Memo Notes{this, &Third, "Notes", {8, 8, 300, 100}};
};

}  // namespace kv3::test
