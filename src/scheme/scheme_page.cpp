#include "scheme/scheme_page.h"

#include <filesystem>
#include <system_error>

#include "scheme/position_definition.h"
#include "update/stream_upload.h"
#include "update/upload_profile.h"

namespace kv3::scheme {

namespace {

bool IsFile(const std::string& path) {
  std::error_code ignored;
  return !path.empty() && std::filesystem::is_regular_file(path, ignored);
}

// Holds the start button disabled and the page marked busy for one run, whichever way it ends.
class Run {
 public:
  Run(ui::Button& button, int& running, const std::function<void()>& onAllEnded)
      : button_(button), running_(running), onAllEnded_(onAllEnded) {
    button_.setEnabled(false);
    ++running_;
  }
  ~Run() {
    button_.setEnabled(true);
    if (--running_ == 0 && onAllEnded_) onAllEnded_();
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

 private:
  ui::Button& button_;
  int& running_;
  const std::function<void()>& onAllEnded_;
};

}  // namespace

SchemePage::SchemePage(SchemeControls controls, link::TSock& sock,
                       std::function<link::DeviceRecord&()> current,
                       const link::LinkSettings& settings, ui::Desktop& desktop,
                       std::function<update::UploadTexts()> texts, std::string site,
                       std::function<std::string()> startDirectory)
    : c_(controls),
      sock_(sock),
      current_(std::move(current)),
      settings_(settings),
      desktop_(desktop),
      texts_(std::move(texts)),
      site_(std::move(site)),
      startDirectory_(std::move(startDirectory)) {}

void SchemePage::Bt_WS_ASClick() { desktop_.openUrl(site_ + std::string(GeneratorPagePath)); }

void SchemePage::Bt_Ld_ASClick() {
  ui::FileDialog& dialog = c_.OpenDialog5;
  dialog.fileName.clear();
  dialog.filter = PictureFilter;
  dialog.execute(desktop_);  // confirmed or not: the file name decides
  if (!IsFile(dialog.fileName)) {
    c_.Ed_Up_AS.setText("");
    c_.Ed_Up_DF.setText("");
    dialog.fileName.clear();
    return;
  }
  const std::string base = PictureBaseName(dialog.fileName);
  c_.Ed_Up_AS.setText(base);
  // The confirmed dialog has made the picture's folder the current directory.
  std::error_code ignored;
  c_.Ed_Up_DF.setText(std::filesystem::exists(base + ".rem", ignored) ? base : "");
}

void SchemePage::notFound(const update::UploadTexts& texts) {
  desktop_.messageBox(texts.notFound, texts.error);
  c_.PageControl1.setActivePage(&c_.TabSheet1);
  c_.LB1.clear();
}

bool SchemePage::sendPositionDefinition(const std::string& picture) {
  // Throws the file messages before the unit is contacted; nothing is lost then.
  const std::filesystem::path definition = PreparePositionDefinition(picture, startDirectory_());
  const update::UploadOutcome outcome =
      update::StreamUpload(update::PositionsRow, definition.string(), current_(), sock_, settings_,
                           desktop_, {}, PositionDefinitionName);
  const update::UploadTexts texts = texts_();
  if (outcome == update::UploadOutcome::NotAcknowledged) {
    notFound(texts);
  } else if (outcome == update::UploadOutcome::Corrupted) {
    desktop_.messageBox(texts.corrupted, texts.error);
  }
  return outcome == update::UploadOutcome::Complete;
}

void SchemePage::Bt_Up_ASClick() {
  const Run run(c_.Bt_Up_AS, running_, onAllEnded);
  const std::string picture = c_.OpenDialog5.fileName;
  const bool definitionTaken = sendPositionDefinition(picture);
  desktop_.pause(PauseAfterDefinitionMs);
  if (!definitionTaken) {
    return;
  }
  std::error_code error;
  const std::uintmax_t size =
      IsFile(picture) ? std::filesystem::file_size(picture, error) : std::uintmax_t{0};
  if (!IsFile(picture) || error) {
    return;  // vanished or unreadable since it was chosen: nothing to send, nothing to say
  }
  update::UploadTexts texts = texts_();
  if (size >= PictureLimit) {
    desktop_.messageBox(texts.fileTooBig, texts.error);
    return;
  }
  desktop_.messageBox(texts.bigFileHint, texts.message);
  ui::Gauge& gauge = c_.CG_AS;
  const update::UploadOutcome outcome =
      update::StreamUpload(update::SchemeRow, picture, current_(), sock_, settings_, desktop_,
                           [&gauge](int percent) { gauge.setProgress(percent); });
  texts = texts_();
  switch (outcome) {
    case update::UploadOutcome::NotAcknowledged:
      notFound(texts);
      return;
    case update::UploadOutcome::Corrupted:
      desktop_.messageBox(texts.corrupted, texts.error);
      return;
    case update::UploadOutcome::Ended:
      return;
    case update::UploadOutcome::Complete:
      break;
  }
  desktop_.messageBox(texts.updated, texts.message);
  c_.Ed_Inst_AS.setText(c_.Ed_Up_AS.text());
  c_.Ed_Up_AS.setText("");
  c_.LB1.clear();
  desktop_.pause(PauseBeforeSearchMs);
  c_.BTSuchen.click();
  c_.PageControl1.setActivePage(&c_.TabSheet1);
  desktop_.processMessages();
}

}  // namespace kv3::scheme
