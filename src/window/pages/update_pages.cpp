#include "window/pages/update_pages.h"

#include <filesystem>
#include <system_error>

#include "platform/utf8_path.h"
#include "texts/language.h"
#include "update/stream_format.h"

namespace kv3::window {

namespace {

bool NamesExistingFile(const std::string& path) {
  std::error_code ignored;
  return !path.empty() && std::filesystem::is_regular_file(platform::PathFromUtf8(path), ignored);
}

// The name shown for a chosen file: without its directory, cut at its last dot.
std::string ShownName(const std::string& path) {
  std::string name = update::FileNameOf(path);
  if (const auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
  return name;
}

}  // namespace

UploadBusy::UploadBusy(int& running, const std::function<void()>& onAllEnded, form::Button* start)
    : running_(running), onAllEnded_(onAllEnded), start_(start) {
  if (start_ != nullptr) start_->setEnabled(false);
  ++running_;
}

UploadBusy::~UploadBusy() {
  if (start_ != nullptr) start_->setEnabled(true);
  if (--running_ == 0 && onAllEnded_) onAllEnded_();
}

void AfterUpload(form::Desktop& desktop, const std::function<UploadTexts()>& texts,
                 const UploadHalf& half, const SearchReturn& back, const FollowUp& how) {
  if (how.messagesFirst) desktop.processMessages();
  // In the language in force once the messages were handled.
  const UploadTexts shown = texts();
  desktop.messageBox(shown.*how.message, shown.message);
  half.installed.setText(how.keepsName ? half.chosen.text() : "");
  half.chosen.setText("");
  if (how.enablesStart) half.start.setEnabled(true);
  if (how.pageFirst) {
    desktop.pause(UpdatePages::PauseBeforeSearchMs);
    back.pages.setActivePage(&back.searchPage);
    back.unitList.clear();
    back.searchButton.click();
  } else {
    back.unitList.clear();
    desktop.pause(UpdatePages::PauseBeforeSearchMs);
    back.searchButton.click();
    back.pages.setActivePage(&back.searchPage);
  }
  if (how.messagesLast) desktop.processMessages();
}

UpdatePages::UpdatePages(UpdateControls controls, UploadContext context)
    : c_(controls), context_(std::move(context)) {}

void UpdatePages::chooseFile(const UploadHalf& half, const char* filter) {
  half.dialog.fileName.clear();
  half.dialog.filter = filter;
  half.dialog.execute(context_.desktop);  // cancelled or not: the file name decides
  if (NamesExistingFile(half.dialog.fileName)) {
    half.chosen.setText(ShownName(half.dialog.fileName));
  } else {
    half.chosen.setText("");
    half.dialog.fileName.clear();
  }
}

namespace {

// The message of each outcome the window words; the others end without a word.
struct FailureText {
  update::UploadOutcome outcome;
  std::string UploadTexts::*text;
};

constexpr FailureText kFailureTexts[] = {
    {update::UploadOutcome::NotAcknowledged, &UploadTexts::notFound},
    {update::UploadOutcome::Corrupted, &UploadTexts::corrupted},
    {update::UploadOutcome::TooBig, &UploadTexts::fileTooBig},
    {update::UploadOutcome::NameNotSendable, &UploadTexts::nameNotSendable},
    {update::UploadOutcome::FileChanged, &UploadTexts::fileChanged},
    {update::UploadOutcome::NotAddressable, &UploadTexts::notOneUnit},
    {update::UploadOutcome::Empty, &UploadTexts::fileEmpty},
    {update::UploadOutcome::NoAnswer, &UploadTexts::noAnswer},
};

}  // namespace

void ShowUploadFailure(form::Desktop& desktop, const UploadTexts& texts,
                       update::UploadOutcome outcome, const std::string& address) {
  for (const FailureText& row : kFailureTexts) {
    if (row.outcome == outcome) {
      return desktop.messageBox(texts::Fill(texts.*row.text, {address}), texts.error);
    }
  }
}

bool AloneAtItsAddress(const UploadContext& context, const link::DeviceRecord& unit) {
  const std::vector<link::MacAddress> others = link::OtherMacsAt(context.table.listed(), unit);
  if (others.empty()) return true;
  const UploadTexts texts = context.texts();
  context.desktop.messageBox(
      texts::Fill(texts.sharedAddress,
                  {link::Ipv4Text(unit, link::record::kIp), link::MacListText(others)}),
      texts.error);
  return false;
}

bool UpdatePages::upload(const update::UploadProfile& row, const UploadHalf& half) {
  form::Gauge& gauge = half.gauge;
  link::DeviceRecord& unit = context_.current();
  const std::string address = link::Ipv4Text(unit, link::record::kIp);
  if (!AloneAtItsAddress(context_, unit)) return false;
  link::SocketRequester requester(context_.sock, context_.settings, context_.desktop);
  const update::UploadOutcome outcome = update::StreamUpload(
      row, half.dialog.fileName, unit, requester, context_.settings, context_.desktop,
      {.progress = [&gauge](int percent) { gauge.setProgress(percent); }});
  if (outcome == update::UploadOutcome::Complete) return true;
  ShowUploadFailure(context_.desktop, context_.texts(), outcome, address);
  return false;
}

void UpdatePages::Bt_WS_FWClick() {
  context_.desktop.openUrl(context_.site + std::string(FirmwarePagePath));
}
void UpdatePages::Bt_WS_WAClick() {
  context_.desktop.openUrl(context_.site + std::string(WebAppPagePath));
}
void UpdatePages::Bt_WS_RClick() {
  context_.desktop.openUrl(context_.site + std::string(SkinPagePath));
}

void UpdatePages::Bt_Ld_FWClick() { chooseFile(c_.firmware, "Firmware|*.bin"); }
void UpdatePages::Bt_Ld_WAClick() { chooseFile(c_.webApp, "Web-Page|*.rom"); }
void UpdatePages::Bt_Ld_RClick() { chooseFile(c_.skin, "Gehäuserahmen|*.jpg"); }

void UpdatePages::Bt_Up_FWClick() {
  const UploadHalf& half = c_.firmware;
  const UploadBusy busy(running_, onAllEnded, &half.start);
  // Only a confirmed file with the extension "bin" goes to the unit.
  if (!NamesExistingFile(half.dialog.fileName) || half.dialog.extensionDifferent) return;
  if (!upload(update::FirmwareRow, half)) return;
  AfterUpload(context_.desktop, context_.texts, half, c_.back,
              {.message = &UploadTexts::updatedRestart, .keepsName = false, .messagesLast = false});
}

void UpdatePages::Bt_Up_WAClick() {
  const UploadHalf& half = c_.webApp;
  const UploadBusy busy(running_, onAllEnded, &half.start);
  if (!NamesExistingFile(half.dialog.fileName)) return;
  if (!upload(update::WebAppRow, half)) return;
  AfterUpload(context_.desktop, context_.texts, half, c_.back,
              {.message = &UploadTexts::updatedRestart,
               .messagesFirst = true,
               .enablesStart = true,
               .pageFirst = true});
}

void UpdatePages::Bt_Up_RClick() {
  const UploadHalf& half = c_.skin;
  // This row holds no button: a second click meanwhile starts a run of its own.
  const UploadBusy busy(running_, onAllEnded, nullptr);
  if (!NamesExistingFile(half.dialog.fileName)) return;
  if (!upload(update::SkinRow, half)) return;
  AfterUpload(context_.desktop, context_.texts, half, c_.back, {.message = &UploadTexts::updated});
}

}  // namespace kv3::window
