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

// The folder of the picture; the current directory for a bare name.
std::filesystem::path PictureFolder(const std::string& picture) {
  return std::filesystem::path(picture).parent_path();
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
  // The definition that belongs to the picture lies beside it, wherever the current directory
  // is by the time of the upload.
  std::error_code ignored;
  const std::filesystem::path beside = PictureFolder(dialog.fileName) / (base + ".rem");
  c_.Ed_Up_DF.setText(std::filesystem::exists(beside, ignored) ? base : "");
}

void SchemePage::notFound(const update::UploadTexts& texts) {
  desktop_.messageBox(texts.notFound, texts.error);
  c_.PageControl1.setActivePage(&c_.TabSheet1);
  c_.LB1.clear();
}

void SchemePage::showFailure(const update::UploadRun& run) {
  const update::UploadTexts texts = texts_();
  if (run.outcome() == update::UploadOutcome::NotAcknowledged) {
    notFound(texts);
  } else {
    update::ShowUploadFailure(desktop_, texts, run.outcome(), run.address());
  }
}

bool SchemePage::sendPositionDefinition(const std::string& picture, link::DeviceRecord& unit) {
  // Throws the file messages before the unit is contacted; nothing is lost then.
  const std::filesystem::path definition =
      PreparePositionDefinition(picture, startDirectory_(), PictureFolder(picture));
  update::UploadRun run(update::PositionsRow, definition.string(), unit, PositionDefinitionName);
  if (run.send(unit, sock_, settings_, desktop_) == update::UploadOutcome::Complete) {
    return true;
  }
  showFailure(run);
  return false;
}

void SchemePage::Bt_Up_ASClick() {
  const Run run(c_.Bt_Up_AS, running_, onAllEnded);
  const std::string picture = c_.OpenDialog5.fileName;
  // Both transfers go to the unit that is current now, whatever a search handled between
  // segments does to the table meanwhile.
  link::DeviceRecord unit = current_();
  // The picture is opened and checked before anything is sent: a picture that will be refused
  // must not cost the unit its definition.
  update::UploadRun pictureRun(update::SchemeRow, picture, unit);
  if (!pictureRun.ready()) {
    showFailure(pictureRun);
    return;
  }
  const bool definitionTaken = sendPositionDefinition(picture, unit);
  desktop_.pause(PauseAfterDefinitionMs);
  if (!definitionTaken) {
    return;
  }
  update::UploadTexts texts = texts_();
  desktop_.messageBox(texts.bigFileHint, texts.message);
  ui::Gauge& gauge = c_.CG_AS;
  const update::UploadOutcome outcome = pictureRun.send(
      unit, sock_, settings_, desktop_, [&gauge](int percent) { gauge.setProgress(percent); });
  if (outcome != update::UploadOutcome::Complete) {
    showFailure(pictureRun);
    return;
  }
  texts = texts_();
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
