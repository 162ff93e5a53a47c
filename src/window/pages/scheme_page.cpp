#include "window/pages/scheme_page.h"

#include <filesystem>
#include <system_error>

#include "platform/utf8_path.h"
#include "scheme/position_definition.h"
#include "scheme/scheme_upload.h"

namespace kv3::window {

namespace {

bool IsFile(const std::string& path) {
  std::error_code ignored;
  return !path.empty() && std::filesystem::is_regular_file(platform::PathFromUtf8(path), ignored);
}

// The folder of the picture; the current directory for a bare name.
std::filesystem::path PictureFolder(const std::string& picture) {
  return platform::PathFromUtf8(picture).parent_path();
}

}  // namespace

SchemePage::SchemePage(SchemeControls controls, UploadContext context,
                       std::function<std::string()> startDirectory)
    : c_(controls), context_(std::move(context)), startDirectory_(std::move(startDirectory)) {}

void SchemePage::Bt_WS_ASClick() {
  context_.desktop.openUrl(context_.site + std::string(GeneratorPagePath));
}

void SchemePage::Bt_Ld_ASClick() {
  form::FileDialog& dialog = c_.picture.dialog;
  dialog.fileName.clear();
  dialog.filter = PictureFilter;
  dialog.execute(context_.desktop);  // confirmed or not: the file name decides
  if (!IsFile(dialog.fileName)) {
    c_.picture.chosen.setText("");
    c_.definition.setText("");
    dialog.fileName.clear();
    return;
  }
  const std::string base = scheme::PictureBaseName(platform::PathFromUtf8(dialog.fileName));
  c_.picture.chosen.setText(base);
  // The definition that belongs to the picture lies beside it, wherever the current directory
  // is by the time of the upload.
  std::error_code ignored;
  const std::filesystem::path beside =
      PictureFolder(dialog.fileName) / platform::PathFromUtf8(base + ".rem");
  c_.definition.setText(std::filesystem::exists(beside, ignored) ? base : "");
}

void SchemePage::showFailure(update::UploadOutcome outcome, const std::string& address) {
  const UploadTexts texts = context_.texts();
  if (outcome == update::UploadOutcome::NotAcknowledged) {
    context_.desktop.messageBox(texts.notFound, texts.error);
    c_.back.pages.setActivePage(&c_.back.searchPage);
    c_.back.unitList.clear();
  } else {
    ShowUploadFailure(context_.desktop, texts, outcome, address);
  }
}

void SchemePage::Bt_Up_ASClick() {
  const UploadHalf& half = c_.picture;
  const UploadBusy busy(running_, onAllEnded, &half.start);
  const std::string picture = half.dialog.fileName;
  // Both transfers go to the unit that is current now, whatever a search handled between
  // segments does to the table meanwhile.
  link::DeviceRecord unit = context_.current();
  if (!AloneAtItsAddress(context_, unit)) return;
  scheme::SchemeSteps steps;
  steps.definition = [&] {
    // Throws the file messages before the unit is contacted; nothing is lost then.
    return scheme::PreparePositionDefinition(platform::PathFromUtf8(picture),
                                             platform::PathFromUtf8(startDirectory_()),
                                             PictureFolder(picture));
  };
  const std::string address = link::Ipv4Text(unit, link::record::kIp);
  steps.legFailed = [this, &address](scheme::SchemeLeg, update::UploadOutcome outcome) {
    showFailure(outcome, address);
  };
  steps.definitionTaken = [this] {
    const UploadTexts texts = context_.texts();
    context_.desktop.messageBox(texts.bigFileHint, texts.message);
  };
  steps.progress = [&half](scheme::SchemeLeg leg, int percent) {
    if (leg == scheme::SchemeLeg::Picture) half.gauge.setProgress(percent);
  };
  link::SocketRequester requester(context_.sock, context_.settings, context_.desktop);
  if (scheme::UploadScheme(picture, unit, requester, context_.settings, context_.desktop, steps) !=
      update::UploadOutcome::Complete) {
    return;
  }
  AfterUpload(context_.desktop, context_.texts, half, c_.back, {.message = &UploadTexts::updated});
}

}  // namespace kv3::window
