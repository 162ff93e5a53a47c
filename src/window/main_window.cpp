#include "window/main_window.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "link/codepage.h"
#include "platform/utf8_path.h"

namespace kv3::window {

namespace {

constexpr const char* DescriptionTitle = "Konfigurationstool für Varnel Remote Control KV3  P1.7";

}  // namespace

MainWindow::MainWindow(form::Desktop& desktop, link::LinkSettings settings)
    : form::Form(desktop, "Form1", {0, 0, 896, 472}, DescriptionTitle),
      settings_(std::move(settings)) {
  setUpLook();
  setUpStartState();
  setUpDialogs();
  wireHandlers();
}

MainWindow::~MainWindow() = default;

void MainWindow::setUpLook() {
  Image1.style().handCursor = true;
  Image1.style().transparent = true;
  Image1.setHint(std::string(MakerSite));
  Image2.style().handCursor = true;
  Image3.style().handCursor = true;
  Image2.accessibleName = "Deutsch";
  Image3.accessibleName = "English";
  Label11.style().fontColor = form::clRed;
  Label11.style().bold = true;
  Label11.style().fontPixels = 48;
  LB1.style().bold = true;
  Label17.style().bold = true;
  Label1.style().bold = true;
  Label19.style().bold = true;
  Label24.style().bold = true;
  Label29.style().bold = true;
  for (form::Button* website : {&Bt_WS_FW, &Bt_WS_WA, &Bt_WS_AS, &Bt_WS_R}) {
    website->style().fontColor = form::clBlue;
    website->style().underline = true;
  }
  // An edit is read by the caption of the label in front of it.
  const std::pair<form::Control*, const form::Control*> buddies[] = {
      {&Edit2, &Label14},      {&Edit8, &Label9},      {&Edit4, &Label4},
      {&Edit5, &Label5},       {&Edit6, &Label6},      {&Edit1, &Label2},
      {&EditPW, &Label7},      {&Ed_Inst_FW, &Label1}, {&Ed_Up_FW, &Lb_DV_FW},
      {&Ed_Inst_WA, &Label19}, {&Ed_Up_WA, &Lb_DV_WA}, {&Ed_Inst_AS, &Label24},
      {&Ed_Up_AS, &Lb_DV_AS},  {&Ed_Up_DF, &Lb_DG_AS}, {&Ed_Inst_R, &Label29},
      {&Ed_Up_R, &Lb_DV_R},    {&Edit3, &Label3},      {&CG_FW, &Lb_Up_FW},
      {&CG_WA, &Lb_Up_WA},     {&CG_AS, &Lb_Up_AS},    {&CG_R, &Lb_Up_R},
      {&LB1, &BTSuchen}};
  for (const auto& [control, label] : buddies) {
    control->setBuddy(label);
  }
}

void MainWindow::setUpStartState() {
  // Controls that start hidden; most of them nothing ever shows.
  for (form::Control* hidden : std::initializer_list<form::Control*>{
           &Label11, &BtMAC, &Bt_CreateImage, &Label17, &Label14, &Edit2, &CGauge8, &Label12,
           &Shape1, &LB2, &Lb_Search_FW, &CG_Search_FW, &Lb_Search_WA, &CG_Search_WA, &CB_En_AS,
           &Memo1}) {
    hidden->setVisible(false);
  }
  TabSheet4.setTabVisible(false);
  TabSheet5.setTabVisible(false);
  PageControl1.setActivePage(&TabSheet1);
  BtESpeichern.setEnabled(false);
  Button2.setEnabled(false);
  EditPW.setPasswordChar('*');
  Sock1.SetSocketType(link::TSocketType::stDatagram);
  for (form::Edit* readOnly : {&Ed_Inst_FW, &Ed_Up_FW, &Ed_Inst_WA, &Ed_Up_WA, &Ed_Inst_AS,
                               &Ed_Up_AS, &Ed_Up_DF, &Ed_Inst_R, &Ed_Up_R}) {
    readOnly->setReadOnly(true);
  }
}

void MainWindow::setUpDialogs() {
  SaveDialog2.defaultExt = "rom";
  OpenDialog2.multiSelect = true;
  OpenDialog2.hideReadOnly = true;
  OpenDialog3.defaultExt = "bin";
  OpenDialog3.hideReadOnly = true;
  OpenDialog3.pathMustExist = true;
  OpenDialog3.fileMustExist = true;
  OpenDialog3.extensionDifferent = true;
}

void MainWindow::wireHandlers() {
  Image1.onClick = [this] {
    desktop().openUrl(std::string(MakerSite) + std::string(ConfiguratorPagePath));
  };
  Image2.onClick = [this] { ApplyLanguage("de"); };
  Image3.onClick = [this] { ApplyLanguage("en"); };

  BTSuchen.onClick = [this] { search_.BTSuchenClick(); };
  Label4.onClick = [this] { search_.BTSuchenClick(); };
  LB1.onClick = [this] { display_.LB1Click(); };
  BtESpeichern.onClick = [this] { save_.BtESpeichernClick(); };

  Edit8.onChange = [this] { fields_.Edit8Change(); };
  Edit1.onChange = [this] { fields_.Edit1Change(); };
  EditPW.onChange = [this] { fields_.EditPWChange(); };
  Edit4.onChange = [this] { fields_.Edit4Change(); };
  Edit5.onChange = [this] { fields_.Edit5Change(); };
  Edit6.onChange = [this] { fields_.Edit6Change(); };
  Edit2.onChange = [this] { fields_.Edit2Change(); };
  CB_DHCP.onClick = [this] { fields_.CB_DHCPClick(); };
  CBKt.onClick = [this] { fields_.CBKtClick(); };
  BtMAC.onClick = [this] { service_.BtMACClick(); };
  Bt_CreateImage.onClick = [this] { service_.Bt_CreateImageClick(); };
  Button2.onClick = [this] { service_.Button2Click(); };

  // Each upload half shows its controls only while a file is chosen.
  const auto showWhileChosen = [](form::Edit& chosen,
                                  std::initializer_list<form::Control*> controls) {
    chosen.onChange = [&chosen, list = std::vector<form::Control*>(controls)] {
      const bool show = !chosen.text().empty();
      for (form::Control* control : list) {
        control->setVisible(show);
      }
    };
  };
  showWhileChosen(Ed_Up_FW, {&Ed_Up_FW, &Bt_Up_FW, &CG_FW, &Lb_DV_FW, &Lb_Up_FW});
  showWhileChosen(Ed_Up_WA, {&Ed_Up_WA, &Bt_Up_WA, &CG_WA, &Lb_DV_WA, &Lb_Up_WA});
  showWhileChosen(Ed_Up_R, {&Ed_Up_R, &Bt_Up_R, &CG_R, &Lb_DV_R, &Lb_Up_R});
  // The scheme half looks only at the picture's name, also when the definition's name changes.
  showWhileChosen(Ed_Up_AS,
                  {&Ed_Up_AS, &Ed_Up_DF, &Bt_Up_AS, &CG_AS, &Lb_DV_AS, &Lb_Up_AS, &Lb_DG_AS});
  Ed_Up_DF.onChange = Ed_Up_AS.onChange;

  Bt_WS_FW.onClick = [this] { uploads_.Bt_WS_FWClick(); };
  Bt_Ld_FW.onClick = [this] { uploads_.Bt_Ld_FWClick(); };
  Bt_Up_FW.onClick = [this] { uploads_.Bt_Up_FWClick(); };
  Bt_WS_WA.onClick = [this] { uploads_.Bt_WS_WAClick(); };
  Bt_Ld_WA.onClick = [this] { uploads_.Bt_Ld_WAClick(); };
  Bt_Up_WA.onClick = [this] { uploads_.Bt_Up_WAClick(); };
  Bt_WS_R.onClick = [this] { uploads_.Bt_WS_RClick(); };
  Bt_Ld_R.onClick = [this] { uploads_.Bt_Ld_RClick(); };
  Bt_Up_R.onClick = [this] { uploads_.Bt_Up_RClick(); };
  Bt_WS_AS.onClick = [this] { scheme_.Bt_WS_ASClick(); };
  Bt_Ld_AS.onClick = [this] { scheme_.Bt_Ld_ASClick(); };
  Bt_Up_AS.onClick = [this] { scheme_.Bt_Up_ASClick(); };
  uploads_.onAllEnded = [this] { uploadEnded(); };
  scheme_.onAllEnded = [this] { uploadEnded(); };
}

void MainWindow::uploadEnded() {
  if (uploads_.running() || scheme_.running()) return;
  if (std::exchange(closeWhenIdle_, false) && closeWindow) closeWindow();
}

void MainWindow::FormActivate() {
  std::error_code ignored;
  StartDirectory = platform::Utf8FromPath(std::filesystem::current_path(ignored));
  readConfiguration();
  PageControl1.setActivePage(&TabSheet1);
  BTSuchen.click();
  Sock1.SetSocketType(link::TSocketType::stDatagram);
  for (form::Edit* chosen : {&Ed_Up_FW, &Ed_Up_WA, &Ed_Up_DF, &Ed_Up_AS, &Ed_Up_R}) {
    chosen->setText("");
  }
}

bool MainWindow::CloseQuery() {
  if (!uploads_.running() && !scheme_.running()) return true;
  closeWhenIdle_ = true;
  return false;
}

UploadContext MainWindow::uploadContext() {
  return {Sock1,
          [this]() -> link::DeviceRecord& { return display_.CurrentRecord(); },
          Devices,
          settings_,
          desktop(),
          [this] { return uploadTexts(); },
          std::string(MakerSite)};
}

UploadTexts MainWindow::uploadTexts() const {
  return {std::string(texts_->TextError),           std::string(texts_->TextMessage),
          std::string(texts_->TextNotFound),        std::string(texts_->TextCorrupted),
          std::string(texts_->TextUpdatedRestart),  std::string(texts_->TextUpdated),
          std::string(texts_->TextBigFileHint),     std::string(texts_->TextFileTooBig),
          std::string(texts_->TextNameNotSendable), std::string(texts_->TextFileChanged),
          std::string(texts_->TextNotOneUnit),      std::string(texts_->TextSharedAddress),
          std::string(texts_->TextFileEmpty),       std::string(texts_->TextNoAnswer)};
}

void MainWindow::readConfiguration() {
  // The file stays in the start directory, wherever the file dialogs move the current one.
  config_ = ConfigFile(platform::PathFromUtf8(StartDirectory));
  const auto lines = config_.load();
  if (!lines) {
    configLines_ = {std::string(texts::German.code), ""};
    showConfigLines();
    config_.save(configLines_);
    ApplyLanguage(texts::German.code);
    return;
  }
  configLines_ = *lines;
  showConfigLines();
  const std::string first = configLines_.empty() ? std::string() : configLines_.front();
  ApplyLanguage(first.find("gb") != std::string::npos ? texts::English.code : texts::German.code);
  if (configLines_.size() >= 2) {
    Edit2.setText(link::Cp1252ToUtf8(configLines_[1]));
  }
}

void MainWindow::manualSearchFound(const std::string& address) {
  const std::string line = link::Utf8ToCp1252(address);
  if (configLines_.size() >= 2 && configLines_[1] == line) {
    return;
  }
  configLines_.resize(std::max<std::size_t>(configLines_.size(), 2));
  configLines_[1] = line;
  // The language in force, not the one read at start: a switch made meanwhile must survive.
  configLines_[0] = std::string(texts_->code);
  showConfigLines();
  config_.save(configLines_);
}

void MainWindow::showConfigLines() {
  LB2.clear();
  for (const std::string& line : configLines_) {
    LB2.add(link::Cp1252ToUtf8(line));
  }
}

void MainWindow::ApplyLanguage(std::string_view code) {
  const texts::LanguageTexts& chosen = texts::LanguageForCode(code);
  config_.rewriteLanguageLine(chosen.code);
  texts_ = &chosen;
  setCaption(texts::WindowTitle(chosen));
  const bool german = &chosen == &texts::German;
  for (const texts::CaptionText& caption : texts::LanguageCaptions()) {
    if (auto* control = dynamic_cast<form::Captioned*>(find(std::string(caption.control)))) {
      control->setCaption(std::string(german ? caption.german : caption.english));
    }
  }
  fields_.RatePassword();
  desktop().languageChanged(chosen.code);
}

void MainWindow::showError(const std::string& text) {
  desktop().messageBox(text, std::string(texts_->TextError));
}

std::string MainWindow::ratingText(settings::PasswordRating rating) const {
  switch (rating) {
    case settings::PasswordRating::NotAllowed:
      return std::string(texts_->TextPwNotAllowed);
    case settings::PasswordRating::Unsafe:
      return std::string(texts_->TextPwUnsafe);
    case settings::PasswordRating::Safe:
      return std::string(texts_->TextPwSafe);
    case settings::PasswordRating::VerySafe:
      break;
  }
  return std::string(texts_->TextPwVerySafe);
}

}  // namespace kv3::window
