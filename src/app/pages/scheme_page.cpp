#include "app/pages/scheme_page.h"

#include <filesystem>
#include <system_error>

#include "scheme/position_definition.h"
#include "scheme/scheme_upload.h"

namespace kv3::app {

namespace {

bool IsFile(const std::string& path) {
  std::error_code ignored;
  return !path.empty() && std::filesystem::is_regular_file(path, ignored);
}

// The folder of the picture; the current directory for a bare name.
std::filesystem::path PictureFolder(const std::string& picture) {
  return std::filesystem::path(picture).parent_path();
}

}  // namespace

SchemePage::SchemePage(SchemeControls controls, link::TSock& sock,
                       std::function<link::DeviceRecord&()> current,
                       const link::LinkSettings& settings, ui::Desktop& desktop,
                       std::function<UploadTexts()> texts, std::string site,
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
  ui::FileDialog& dialog = c_.picture.dialog;
  dialog.fileName.clear();
  dialog.filter = PictureFilter;
  dialog.execute(desktop_);  // confirmed or not: the file name decides
  if (!IsFile(dialog.fileName)) {
    c_.picture.chosen.setText("");
    c_.definition.setText("");
    dialog.fileName.clear();
    return;
  }
  const std::string base = scheme::PictureBaseName(dialog.fileName);
  c_.picture.chosen.setText(base);
  // The definition that belongs to the picture lies beside it, wherever the current directory
  // is by the time of the upload.
  std::error_code ignored;
  const std::filesystem::path beside = PictureFolder(dialog.fileName) / (base + ".rem");
  c_.definition.setText(std::filesystem::exists(beside, ignored) ? base : "");
}

void SchemePage::showFailure(const update::UploadRun& run) {
  const UploadTexts texts = texts_();
  if (run.outcome() == update::UploadOutcome::NotAcknowledged) {
    desktop_.messageBox(texts.notFound, texts.error);
    c_.back.pages.setActivePage(&c_.back.searchPage);
    c_.back.unitList.clear();
  } else {
    ShowUploadFailure(desktop_, texts, run.outcome(), run.address());
  }
}

void SchemePage::Bt_Up_ASClick() {
  const UploadHalf& half = c_.picture;
  const UploadBusy busy(running_, onAllEnded, &half.start);
  const std::string picture = half.dialog.fileName;
  // Both transfers go to the unit that is current now, whatever a search handled between
  // segments does to the table meanwhile.
  link::DeviceRecord unit = current_();
  scheme::SchemeSteps steps;
  steps.definition = [&] {
    // Throws the file messages before the unit is contacted; nothing is lost then.
    return scheme::PreparePositionDefinition(picture, startDirectory_(), PictureFolder(picture));
  };
  steps.announce = [this](update::UploadRun& run, link::DeviceRecord& rec) {
    return run.announce(rec, sock_, settings_, desktop_);
  };
  steps.legFailed = [this](scheme::SchemeLeg, const update::UploadRun& run) { showFailure(run); };
  steps.definitionTaken = [this] {
    const UploadTexts texts = texts_();
    desktop_.messageBox(texts.bigFileHint, texts.message);
  };
  steps.progress = [&half](scheme::SchemeLeg leg, int percent) {
    if (leg == scheme::SchemeLeg::Picture) half.gauge.setProgress(percent);
  };
  if (scheme::UploadScheme(picture, unit, settings_, desktop_, steps) !=
      update::UploadOutcome::Complete) {
    return;
  }
  AfterUpload(desktop_, texts_, half, c_.back, {.message = &UploadTexts::updated});
}

}  // namespace kv3::app
