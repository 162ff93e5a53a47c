#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"
#include "form/desktop.h"
#include "form/file_dialog.h"
#include "form/form.h"
#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "texts/language.h"
#include "window/config_file.h"
#include "window/pages/device_display.h"
#include "window/pages/device_search.h"
#include "window/pages/scheme_page.h"
#include "window/pages/service_page.h"
#include "window/pages/settings_fields.h"
#include "window/pages/settings_save.h"
#include "window/pages/update_pages.h"

namespace kv3::window {

// Caption of the application's error box.
inline constexpr std::string_view ApplicationTitle = "VozezaViroru KV3";
// The maker's web site; the pages of the window open paths below it.
inline constexpr std::string_view MakerSite = "https://www.vozezaviroru.de";
inline constexpr std::string_view ConfiguratorPagePath =
    "/fernbedienung-vozezaviroru/konfigurationsprogramm.html";

// The main window "Form1": every control of the window, by the names the behaviour uses.
// The control members below are the window description: kind, parent, position and size (in
// pixels, relative to the parent), caption and state at start. The constructor wires handlers.
class MainWindow : public form::Form {
 public:
  explicit MainWindow(form::Desktop& desktop, link::LinkSettings settings = {});
  ~MainWindow() override;

  // Runs once, when the window first becomes active.
  void FormActivate();
  // A window closed while an upload runs closes once the upload has ended.
  bool CloseQuery() override;

  const link::LinkSettings& linkSettings() const { return settings_; }

  // Top strip.
  form::Image Image1{this, this, "Image1", {16, 8, 91, 51}, "logo"};
  form::Label Label11{this, this, "Label11", {300, 4, 200, 56}, "Prototyp"};
  form::Button BtMAC{this, this, "BtMAC", {540, 20, 80, 25}, "New MAC"};
  form::Button Bt_CreateImage{this, this, "Bt_CreateImage", {628, 20, 100, 25}, "Image WebSeite"};
  form::Image Image2{this, this, "Image2", {728, 8, 73, 57}, "flag_de"};
  form::Image Image3{this, this, "Image3", {808, 8, 73, 57}, "flag_gb"};
  form::PageControl PageControl1{this, this, "PageControl1", {16, 76, 865, 385}};

  // Pages.
  form::TabSheet TabSheet1{this, &PageControl1, "TabSheet1", "Einstellungen"};
  form::TabSheet TabSheet2{this, &PageControl1, "TabSheet2", "Aktualisierung"};
  form::TabSheet TabSheet3{this, &PageControl1, "TabSheet3", "Anlagenschema"};
  form::TabSheet TabSheet4{this, &PageControl1, "TabSheet4", "KV3-Rahmen"};
  form::TabSheet TabSheet5{this, &PageControl1, "TabSheet5", "TabSheet5"};

  // Settings page, left: the units found and the search.
  form::ListBox LB1{this, &TabSheet1, "LB1", {24, 16, 260, 196}};
  form::Button BTSuchen{this, &TabSheet1, "BTSuchen", {80, 224, 144, 28}, "VozezaViroru suchen"};
  form::Label Label17{this, &TabSheet1, "Label17", {176, 222, 150, 16}, "manuelle Suche"};
  form::Label Label14{this, &TabSheet1, "Label14", {176, 242, 150, 16}, "IP-Adresse aus Router:"};
  form::Edit Edit2{this, &TabSheet1, "Edit2", {176, 262, 130, 21}};
  form::Gauge CGauge8{this, &TabSheet1, "CGauge8", {24, 300, 260, 16}};

  // Settings page, right: the current unit's settings.
  form::Label Label9{this, &TabSheet1, "Label9", {336, 20, 140, 16}, "Gerätebezeichnung"};
  form::Edit Edit8{this, &TabSheet1, "Edit8", {480, 16, 220, 21}};
  form::Label Label10{this, &TabSheet1, "Label10", {708, 20, 140, 16}, "(max. 30 Zeichen)"};
  form::Label Label4{this, &TabSheet1, "Label4", {336, 60, 140, 16}, "IP Addresse:"};
  form::Edit Edit4{this, &TabSheet1, "Edit4", {480, 56, 130, 21}};
  form::Label Label5{this, &TabSheet1, "Label5", {336, 88, 140, 16}, "Subnetzmaske:"};
  form::Edit Edit5{this, &TabSheet1, "Edit5", {480, 84, 130, 21}};
  form::Label Label6{this, &TabSheet1, "Label6", {336, 116, 140, 16}, "Gateway/Router:"};
  form::Edit Edit6{this, &TabSheet1, "Edit6", {480, 112, 130, 21}};
  form::CheckBox CB_DHCP{this, &TabSheet1, "CB_DHCP", {624, 58, 80, 17}, "DHCP:"};
  form::Label Label2{this, &TabSheet1, "Label2", {336, 160, 140, 16}, "Benutzername:"};
  form::Edit Edit1{this, &TabSheet1, "Edit1", {480, 156, 130, 21}};
  form::Label Label7{this, &TabSheet1, "Label7", {336, 188, 140, 16}, "Passwort:"};
  form::Edit EditPW{this, &TabSheet1, "EditPW", {480, 184, 130, 21}};
  form::Label Label8{this, &TabSheet1, "Label8", {624, 160, 150, 16}, "(je 6 - 12 Zeichen)"};
  form::CheckBox CBKt{this, &TabSheet1, "CBKt", {480, 214, 160, 17}, "Passwort zeigen"};
  form::Label Label12{this, &TabSheet1, "Label12", {780, 188, 60, 16}, "Qualität"};
  form::Shape Shape1{this, &TabSheet1, "Shape1", {760, 186, 16, 16}};
  form::Label LbAmpel{this, &TabSheet1, "LbAmpel", {624, 188, 150, 16}, ""};
  form::Button BtESpeichern{
      this, &TabSheet1, "BtESpeichern", {480, 256, 180, 28}, "Änderungen speichern"};
  form::ListBox LB2{this, &TabSheet1, "LB2", {708, 256, 120, 40}};

  // Update page, firmware half.
  form::Label Label1{this, &TabSheet2, "Label1", {16, 20, 160, 16}, "Installierte Firmware:"};
  form::Edit Ed_Inst_FW{this, &TabSheet2, "Ed_Inst_FW", {180, 16, 220, 21}};
  form::Label Label15{this, &TabSheet2, "Label15", {16, 62, 160, 16}, "Online Download:"};
  form::Button Bt_WS_FW{this, &TabSheet2, "Bt_WS_FW", {180, 56, 150, 28}, "Webseite öffnen"};
  form::Label Label16{this, &TabSheet2, "Label16", {16, 104, 160, 16}, "Firmware:"};
  form::Button Bt_Ld_FW{this, &TabSheet2, "Bt_Ld_FW", {180, 98, 150, 28}, "Datei öffnen"};
  form::Label Lb_DV_FW{this, &TabSheet2, "Lb_DV_FW", {16, 146, 160, 16}, "Datei-Version:"};
  form::Edit Ed_Up_FW{this, &TabSheet2, "Ed_Up_FW", {180, 142, 220, 21}, " "};
  form::Label Lb_Up_FW{this, &TabSheet2, "Lb_Up_FW", {16, 188, 160, 16}, "Firmware Update:"};
  form::Button Bt_Up_FW{this, &TabSheet2, "Bt_Up_FW", {180, 182, 150, 28}, "Update starten"};
  form::Gauge CG_FW{this, &TabSheet2, "CG_FW", {16, 226, 384, 20}};
  form::Label Lb_Search_FW{
      this, &TabSheet2, "Lb_Search_FW", {16, 264, 160, 16}, "RemoteControl suchen:"};
  form::Gauge CG_Search_FW{this, &TabSheet2, "CG_Search_FW", {180, 262, 220, 20}};

  // Update page, web-app half.
  form::Label Label19{this, &TabSheet2, "Label19", {440, 20, 160, 16}, "Installierte Web-App:"};
  form::Edit Ed_Inst_WA{this, &TabSheet2, "Ed_Inst_WA", {604, 16, 220, 21}};
  form::Label Label20{this, &TabSheet2, "Label20", {440, 62, 160, 16}, "Online Download:"};
  form::Button Bt_WS_WA{this, &TabSheet2, "Bt_WS_WA", {604, 56, 150, 28}, "Webseite öffnen"};
  form::Label Label21{this, &TabSheet2, "Label21", {440, 104, 160, 16}, "Web-App:"};
  form::Button Bt_Ld_WA{this, &TabSheet2, "Bt_Ld_WA", {604, 98, 150, 28}, "Datei öffnen"};
  form::Label Lb_DV_WA{this, &TabSheet2, "Lb_DV_WA", {440, 146, 160, 16}, "Datei-Version:"};
  form::Edit Ed_Up_WA{this, &TabSheet2, "Ed_Up_WA", {604, 142, 220, 21}, " "};
  form::Label Lb_Up_WA{this, &TabSheet2, "Lb_Up_WA", {440, 188, 160, 16}, "Web-App Update:"};
  form::Button Bt_Up_WA{this, &TabSheet2, "Bt_Up_WA", {604, 182, 150, 28}, "Update starten"};
  form::Gauge CG_WA{this, &TabSheet2, "CG_WA", {440, 226, 384, 20}};
  form::Label Lb_Search_WA{
      this, &TabSheet2, "Lb_Search_WA", {440, 264, 160, 16}, "RemoteControl suchen:"};
  form::Gauge CG_Search_WA{this, &TabSheet2, "CG_Search_WA", {604, 262, 220, 20}};

  // Scheme page.
  form::Label Label24{this, &TabSheet3, "Label24", {16, 20, 150, 16}, "Aktuelles Schema:"};
  form::Edit Ed_Inst_AS{this, &TabSheet3, "Ed_Inst_AS", {170, 16, 220, 21}};
  form::Label Label25{this, &TabSheet3, "Label25", {16, 62, 150, 16}, "Online Generator:"};
  form::Button Bt_WS_AS{this, &TabSheet3, "Bt_WS_AS", {170, 56, 150, 28}, "Webseite öffnen"};
  form::Label Label26{this, &TabSheet3, "Label26", {16, 104, 150, 16}, "Schema auswählen:"};
  form::Button Bt_Ld_AS{this, &TabSheet3, "Bt_Ld_AS", {170, 98, 150, 28}, "Datei öffnen"};
  form::Label Lb_DV_AS{this, &TabSheet3, "Lb_DV_AS", {16, 146, 150, 16}, "Datei-Version:"};
  form::Edit Ed_Up_AS{this, &TabSheet3, "Ed_Up_AS", {170, 142, 220, 21}, " "};
  form::Label Lb_DG_AS{this, &TabSheet3, "Lb_DG_AS", {16, 176, 150, 16}, "Definition gefunden"};
  form::Edit Ed_Up_DF{this, &TabSheet3, "Ed_Up_DF", {170, 172, 220, 21}, " "};
  form::Label Lb_Up_AS{this, &TabSheet3, "Lb_Up_AS", {16, 218, 150, 16}, "Schema hochladen:"};
  form::Button Bt_Up_AS{this, &TabSheet3, "Bt_Up_AS", {170, 212, 150, 28}, "Übertragung starten"};
  form::Gauge CG_AS{this, &TabSheet3, "CG_AS", {16, 256, 374, 20}};
  form::Image Image4{this, &TabSheet3, "Image4", {480, 16, 350, 200}, "scheme"};
  form::CheckBox CB_En_AS{this, &TabSheet3, "CB_En_AS", {480, 232, 160, 17}, "Schema bearbeiten"};
  form::Memo Memo1{this, &TabSheet3, "Memo1", {480, 256, 350, 60}};

  // Skin page.
  form::Label Label29{this, &TabSheet4, "Label29", {16, 20, 150, 16}, "Aktueller Rahmen:"};
  form::Edit Ed_Inst_R{this, &TabSheet4, "Ed_Inst_R", {170, 16, 220, 21}};
  form::Label Label30{this, &TabSheet4, "Label30", {16, 62, 150, 16}, "Online Gallerie:"};
  form::Button Bt_WS_R{this, &TabSheet4, "Bt_WS_R", {170, 56, 150, 28}, "Webseite öffnen"};
  form::Label Label31{this, &TabSheet4, "Label31", {16, 104, 150, 16}, "Rahmen auswählen:"};
  form::Button Bt_Ld_R{this, &TabSheet4, "Bt_Ld_R", {170, 98, 150, 28}, "Webseite öffnen"};
  form::Label Lb_DV_R{this, &TabSheet4, "Lb_DV_R", {16, 146, 150, 16}, "Datei-Version:"};
  form::Edit Ed_Up_R{this, &TabSheet4, "Ed_Up_R", {170, 142, 220, 21}, " "};
  form::Label Lb_Up_R{this, &TabSheet4, "Lb_Up_R", {16, 188, 150, 16}, "Rahmen hochladen:"};
  form::Button Bt_Up_R{this, &TabSheet4, "Bt_Up_R", {170, 182, 150, 28}, "Webseite öffnen"};
  form::Gauge CG_R{this, &TabSheet4, "CG_R", {16, 226, 374, 20}};
  form::Image Image5{this, &TabSheet4, "Image5", {520, 16, 289, 193}, "housing"};

  // Service page.
  form::GroupBox GB1{this, &TabSheet5, "GB1", {16, 16, 320, 100}, "Network Settings"};
  form::Label Label3{this, &GB1, "Label3", {16, 36, 40, 16}, "MAC"};
  form::MaskEdit Edit3{this, &GB1, "Edit3", {60, 32, 150, 21}, R"(AA\:AA\:AA\:AA\:AA\:AA)"};
  form::Button Button2{this, &GB1, "Button2", {224, 30, 75, 25}, "Set"};

  // File dialogs.
  form::FileDialog OpenDialog1{"OpenDialog1", form::FileDialog::Mode::Open};
  form::FileDialog SaveDialog2{"SaveDialog2", form::FileDialog::Mode::Save};
  form::FileDialog OpenDialog2{"OpenDialog2", form::FileDialog::Mode::Open};
  form::FileDialog OpenDialog3{"OpenDialog3", form::FileDialog::Mode::Open};
  form::FileDialog OpenDialog4{"OpenDialog4", form::FileDialog::Mode::Open};
  form::FileDialog OpenDialog5{"OpenDialog5", form::FileDialog::Mode::Open};
  form::FileDialog OpenDialog6{"OpenDialog6", form::FileDialog::Mode::Open};

  // Sock1 carries every command exchange; the uploads open their own stream connection.
  link::TSock Sock1;

  // Values the window keeps for the whole run.
  std::string StartDirectory;  // UTF-8, as every path the window holds
  link::DeviceTable Devices;

  // Switches every language text and caption, records the choice in t540.cfg and rates the
  // password again so that its rating reads in the new language.
  void ApplyLanguage(std::string_view code);
  const texts::LanguageTexts& texts() const { return *texts_; }
  // The configuration lines as read at activation (raw single-byte text).
  const std::vector<std::string>& configLines() const { return configLines_; }
  int CurrentIndex() const { return display_.CurrentIndex(); }

  SettingsFields& fields() { return fields_; }
  DeviceDisplay& display() { return display_; }
  UpdatePages& uploads() { return uploads_; }
  SchemePage& schemePage() { return scheme_; }

 private:
  void setUpLook();
  void setUpStartState();
  void setUpDialogs();
  void wireHandlers();
  void readConfiguration();
  void manualSearchFound(const std::string& address);
  void showConfigLines();

  link::LinkSettings settings_;
  const texts::LanguageTexts* texts_ = &texts::German;
  ConfigFile config_{"."};
  std::vector<std::string> configLines_;

  UnitSettingsControls unitSettings_{Edit8, Edit4, Edit5, Edit6, CB_DHCP, Edit1, EditPW};
  SettingsFields fields_{
      {unitSettings_, Label10, Edit2, Label8, CBKt, LbAmpel, Shape1, BtESpeichern},
      desktop(),
      [this](settings::PasswordRating rating) { return ratingText(rating); },
      [this] { return Devices.count() > 0; }};
  // What the current unit reported of its texts, for a save of fields the user did not edit.
  ReportedTexts reported_;
  DeviceDisplay display_{{LB1, TabSheet2, TabSheet3, Ed_Inst_FW, Edit3, unitSettings_, Ed_Inst_AS,
                          Ed_Inst_R, Ed_Inst_WA},
                         Sock1,
                         Devices,
                         settings_,
                         desktop(),
                         reported_,
                         [this](const std::string& address) {
                           showError(texts::Fill(texts_->TextNotOneUnit, {address}));
                         }};
  DeviceSearch search_{{BTSuchen, BtESpeichern, TabSheet2, TabSheet3, TabSheet4, LB1, unitSettings_,
                        Ed_Inst_FW, Edit3, Edit2, Label14, Label17, Button2},
                       Sock1,
                       Devices,
                       settings_,
                       desktop(),
                       {[this] { display_.ShowDevice(); }, [this] { fields_.RatePassword(); },
                        [this](const std::string& address) { manualSearchFound(address); }}};
  SettingsSave save_{{BtESpeichern, unitSettings_, CB_En_AS, BTSuchen},
                     Sock1,
                     Devices,
                     [this]() -> link::DeviceRecord& { return display_.CurrentRecord(); },
                     reported_,
                     settings_,
                     desktop(),
                     [this]() -> const texts::LanguageTexts& { return *texts_; },
                     [this](const std::string& message) { showError(message); }};

  ServicePage service_{{GB1, Edit3, Button2, unitSettings_, OpenDialog2, SaveDialog2},
                       Sock1,
                       [this]() -> link::DeviceRecord& { return display_.CurrentRecord(); },
                       settings_,
                       desktop()};

  UpdatePages uploads_{{{Ed_Inst_FW, Ed_Up_FW, Bt_Up_FW, CG_FW, OpenDialog3},
                        {Ed_Inst_WA, Ed_Up_WA, Bt_Up_WA, CG_WA, OpenDialog4},
                        {Ed_Inst_R, Ed_Up_R, Bt_Up_R, CG_R, OpenDialog6},
                        {LB1, BTSuchen, PageControl1, TabSheet1}},
                       uploadContext()};
  SchemePage scheme_{{{Ed_Inst_AS, Ed_Up_AS, Bt_Up_AS, CG_AS, OpenDialog5},
                      Ed_Up_DF,
                      {LB1, BTSuchen, PageControl1, TabSheet1}},
                     uploadContext(),
                     [this] { return StartDirectory; }};
  bool closeWhenIdle_ = false;
  // Closes the window once no upload runs, when a close was asked for meanwhile.
  void uploadEnded();

  std::string ratingText(settings::PasswordRating rating) const;
  // A message box with the caption of errors, in the language in force.
  void showError(const std::string& text);
  UploadTexts uploadTexts() const;
  // What both upload pages work with: the window's socket, its current unit and its texts.
  UploadContext uploadContext();
};

}  // namespace kv3::window
