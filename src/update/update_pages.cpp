#include "update/update_pages.h"

#include <filesystem>
#include <system_error>

#include "app/language.h"
#include "update/stream_format.h"

namespace kv3::update {

namespace {

bool NamesExistingFile(const std::string& path) {
  std::error_code ignored;
  return !path.empty() && std::filesystem::is_regular_file(path, ignored);
}

// The name shown for a chosen file: without its directory, cut at its last dot.
std::string ShownName(const std::string& path) {
  std::string name = FileNameOf(path);
  if (const auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
  return name;
}

// Keeps a start button disabled for the whole run, whichever way the run ends.
class ButtonHold {
 public:
  explicit ButtonHold(ui::Button& button) : button_(button) { button_.setEnabled(false); }
  ~ButtonHold() { button_.setEnabled(true); }
  ButtonHold(const ButtonHold&) = delete;
  ButtonHold& operator=(const ButtonHold&) = delete;

 private:
  ui::Button& button_;
};

}  // namespace

// Counts the running uploads and tells when the last one has ended.
class UpdatePages::RunGuard {
 public:
  explicit RunGuard(UpdatePages& pages) : pages_(pages) { ++pages_.running_; }
  ~RunGuard() {
    if (--pages_.running_ == 0 && pages_.onAllEnded) pages_.onAllEnded();
  }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

 private:
  UpdatePages& pages_;
};

UpdatePages::UpdatePages(UpdateControls controls, link::TSock& sock,
                         std::function<link::DeviceRecord&()> current,
                         const link::LinkSettings& settings, ui::Desktop& desktop,
                         std::function<UploadTexts()> texts, std::string site)
    : c_(controls),
      sock_(sock),
      current_(std::move(current)),
      settings_(settings),
      desktop_(desktop),
      texts_(std::move(texts)),
      site_(std::move(site)) {}

void UpdatePages::chooseFile(const UploadHalf& half, const char* filter) {
  half.dialog.fileName.clear();
  half.dialog.filter = filter;
  half.dialog.execute(desktop_);  // cancelled or not: the file name decides
  if (NamesExistingFile(half.dialog.fileName)) {
    half.chosen.setText(ShownName(half.dialog.fileName));
  } else {
    half.chosen.setText("");
    half.dialog.fileName.clear();
  }
}

void ShowUploadFailure(ui::Desktop& desktop, const UploadTexts& texts, UploadOutcome outcome,
                       const std::string& address) {
  switch (outcome) {
    case UploadOutcome::NotAcknowledged:
      return desktop.messageBox(texts.notFound, texts.error);
    case UploadOutcome::Corrupted:
      return desktop.messageBox(texts.corrupted, texts.error);
    case UploadOutcome::TooBig:
      return desktop.messageBox(texts.fileTooBig, texts.error);
    case UploadOutcome::NameNotSendable:
      return desktop.messageBox(texts.nameNotSendable, texts.error);
    case UploadOutcome::FileChanged:
      return desktop.messageBox(texts.fileChanged, texts.error);
    case UploadOutcome::NotAddressable:
      return desktop.messageBox(app::Fill(texts.notOneUnit, {address}), texts.error);
    case UploadOutcome::Ended:
    case UploadOutcome::Complete:
      break;
  }
}

UploadOutcome UpdatePages::upload(const UploadProfile& row, const UploadHalf& half) {
  ui::Gauge& gauge = half.gauge;
  link::DeviceRecord& unit = current_();
  address_ = link::Ipv4Text(unit, link::record::kIp);
  return StreamUpload(row, half.dialog.fileName, unit, sock_, settings_, desktop_,
                      [&gauge](int percent) { gauge.setProgress(percent); });
}

void UpdatePages::showFailure(UploadOutcome outcome) {
  ShowUploadFailure(desktop_, texts_(), outcome, address_);
}

void UpdatePages::Bt_WS_FWClick() { desktop_.openUrl(site_ + std::string(FirmwarePagePath)); }
void UpdatePages::Bt_WS_WAClick() { desktop_.openUrl(site_ + std::string(WebAppPagePath)); }
void UpdatePages::Bt_WS_RClick() { desktop_.openUrl(site_ + std::string(SkinPagePath)); }

void UpdatePages::Bt_Ld_FWClick() { chooseFile(c_.firmware, "Firmware|*.bin"); }
void UpdatePages::Bt_Ld_WAClick() { chooseFile(c_.webApp, "Web-Page|*.rom"); }
void UpdatePages::Bt_Ld_RClick() { chooseFile(c_.skin, "Gehäuserahmen|*.jpg"); }

void UpdatePages::Bt_Up_FWClick() {
  const UploadHalf& half = c_.firmware;
  const RunGuard run(*this);
  const ButtonHold hold(half.start);
  // Only a confirmed file with the extension "bin" goes to the unit.
  if (!NamesExistingFile(half.dialog.fileName) || half.dialog.extensionDifferent) return;
  const UploadOutcome outcome = upload(FirmwareRow, half);
  if (outcome != UploadOutcome::Complete) return showFailure(outcome);
  const UploadTexts texts = texts_();
  desktop_.messageBox(texts.updatedRestart, texts.message);
  half.installed.setText("");
  half.chosen.setText("");
  c_.LB1.clear();
  desktop_.pause(PauseBeforeSearchMs);
  c_.BTSuchen.click();
  c_.PageControl1.setActivePage(&c_.TabSheet1);
}

void UpdatePages::Bt_Up_WAClick() {
  const UploadHalf& half = c_.webApp;
  const RunGuard run(*this);
  const ButtonHold hold(half.start);
  if (!NamesExistingFile(half.dialog.fileName)) return;
  const UploadOutcome outcome = upload(WebAppRow, half);
  if (outcome != UploadOutcome::Complete) return showFailure(outcome);
  desktop_.processMessages();
  const UploadTexts texts = texts_();
  desktop_.messageBox(texts.updatedRestart, texts.message);
  half.installed.setText(half.chosen.text());
  half.chosen.setText("");
  half.start.setEnabled(true);
  desktop_.pause(PauseBeforeSearchMs);
  c_.PageControl1.setActivePage(&c_.TabSheet1);
  c_.LB1.clear();
  c_.BTSuchen.click();
  desktop_.processMessages();
}

void UpdatePages::Bt_Up_RClick() {
  const UploadHalf& half = c_.skin;
  // This row holds no button: a second click meanwhile starts a run of its own.
  const RunGuard run(*this);
  if (!NamesExistingFile(half.dialog.fileName)) return;
  const UploadOutcome outcome = upload(SkinRow, half);
  if (outcome != UploadOutcome::Complete) return showFailure(outcome);
  const UploadTexts texts = texts_();
  desktop_.messageBox(texts.updated, texts.message);
  half.installed.setText(half.chosen.text());
  half.chosen.setText("");
  c_.LB1.clear();
  desktop_.pause(PauseBeforeSearchMs);
  c_.BTSuchen.click();
  c_.PageControl1.setActivePage(&c_.TabSheet1);
  desktop_.processMessages();
}

}  // namespace kv3::update
