#include "cli/transfer_payload.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "cli/unit_view.h"
#include "platform/console.h"
#include "platform/utf8_path.h"
#include "scheme/position_definition.h"
#include "texts/file_errors.h"
#include "update/stream_format.h"
#include "update/stream_upload.h"

namespace kv3::cli {

namespace {

// What kv3 says of a file that fails its checks: the text (with the file's name, and for a
// content that is not the row's, the words of the content check), and the exit status.
struct Refusal {
  update::UploadOutcome outcome;
  std::string_view CliTexts::*text;
  int status;
  std::string_view CliTexts::*content = nullptr;
};

constexpr Refusal kRefusals[] = {
    {update::UploadOutcome::WrongExtension, &CliTexts::firmwareNotBin, kUsage},
    {update::UploadOutcome::Empty, &CliTexts::fileEmpty, kLocalError},
    {update::UploadOutcome::TooBigToAnnounce, &CliTexts::fileTooBigForUnit, kUsage},
    {update::UploadOutcome::NameNotSendable, &CliTexts::nameNotSendable, kUsage},
    {update::UploadOutcome::NotWebImage, &CliTexts::contentRefused, kUsage, &CliTexts::notWebImage},
    {update::UploadOutcome::NotJpeg, &CliTexts::contentRefused, kUsage, &CliTexts::notJpeg},
    {update::UploadOutcome::FirmwareIsPicture, &CliTexts::contentRefused, kUsage,
     &CliTexts::firmwareIsPicture},
    {update::UploadOutcome::FirmwareIsWebImage, &CliTexts::contentRefused, kUsage,
     &CliTexts::firmwareIsWebImage},
    {update::UploadOutcome::FirmwareIsText, &CliTexts::contentRefused, kUsage,
     &CliTexts::firmwareIsText},
};

const update::UploadProfile& RowOf(TransferKind kind) {
  switch (kind) {
    case TransferKind::Firmware:
      return update::FirmwareRow;
    case TransferKind::WebApp:
      return update::WebAppRow;
    case TransferKind::Skin:
      return update::SkinRow;
    case TransferKind::Scheme:
      break;
  }
  return update::SchemeRow;
}

}  // namespace

std::optional<Payload> CheckedPayload(Context& context, const TransferOptions& options,
                                      int& status) {
  const CliTexts& texts = context.texts;
  const std::string shown = PathText(options.file);
  const auto refuse = [&](std::string_view message, int code) {
    context.err << message << '\n';
    status = code;
    return std::nullopt;
  };
  const update::UploadProfile& row = RowOf(options.kind);
  const std::filesystem::path path = platform::PathFromUtf8(options.file);
  const update::CheckedFile checked = update::CheckFile(
      row, options.file,
      options.force ? update::FileChecks::WithExtension : update::FileChecks::Complete);
  if (checked.refused == update::UploadOutcome::Unreadable) {
    return refuse(Fill(texts.fileUnreadable, {shown, FileReason(texts, options.file)}),
                  kLocalError);
  }
  if (checked.refused == update::UploadOutcome::TooBig) {
    return refuse(texts.window.TextFileTooBig, kUsage);
  }
  for (const Refusal& refusal : kRefusals) {
    if (checked.refused != refusal.outcome) continue;
    if (refusal.content == nullptr)
      return refuse(Fill(texts.*refusal.text, {shown}), refusal.status);
    return refuse(Fill(texts.*refusal.text, {shown, texts.*refusal.content}), refusal.status);
  }
  if (!checked.ok()) {
    return refuse(Fill(texts.fileUnreadable, {shown, FileReason(texts, options.file)}),
                  kLocalError);
  }
  Payload payload{&row,         options.file, checked.stamp,      false,
                  std::nullopt, std::nullopt, checked.stamp.size, 0};
  if (options.kind != TransferKind::Scheme || options.checkOnly) return payload;
  payload.withDefinition = true;
  try {
    if (options.definition) {
      payload.definition = platform::PathFromUtf8(*options.definition);
      scheme::NormaliseDefinitionFile(*payload.definition);
    } else {
      // As the window does after the picture was chosen in its folder; the start directory is
      // where the tool was started. A definition is never made up in the user's folders: without
      // one the unit gets an empty one.
      payload.definition = scheme::ChoosePositionDefinition(path, std::filesystem::current_path(),
                                                            path.parent_path());
    }
  } catch (const texts::FileError& error) {
    const std::string where = platform::Utf8FromPath(error.path());
    return refuse(Fill(error.kind() == texts::FileError::Kind::Open ? texts.fileUnreadable
                                                                    : texts.imageNotWritten,
                       {PathText(where), FileReason(texts, where)}),
                  kLocalError);
  } catch (const std::exception& error) {
    return refuse(std::string(error.what()) + ".", kLocalError);
  }
  if (!payload.definition) {
    context.err << Fill(texts.emptyDefinition,
                        {shown, PathText(scheme::PictureBaseName(path) + ".rem")})
                << '\n';
    return payload;
  }
  payload.definitionStamp = platform::ReadFile(*payload.definition).stamp();
  if (!payload.definitionStamp) {
    const std::string where = platform::Utf8FromPath(*payload.definition);
    return refuse(Fill(texts.fileUnreadable, {PathText(where), FileReason(texts, where)}),
                  kLocalError);
  }
  payload.definitionBytes = payload.definitionStamp->size;
  payload.bytes += payload.definitionBytes;
  return payload;
}

bool LongTransferAgreed(Context& context, const TransferOptions& options, const Payload& payload,
                        int& status) {
  const CliTexts& texts = context.texts;
  long long plannedMs = update::PlannedPauseMs(
      *payload.row, static_cast<long long>(payload.bytes - payload.definitionBytes));
  if (payload.withDefinition) {
    plannedMs += update::PlannedPauseMs(update::PositionsRow,
                                        static_cast<long long>(payload.definitionBytes));
  }
  constexpr long long kMinuteMs = 60 * 1000;
  constexpr long long kHourMs = 60 * kMinuteMs;
  if (plannedMs < kMinuteMs) return true;
  context.err << Fill(texts.duration, {DurationText(std::chrono::seconds(plannedMs / 1000))})
              << '\n';
  if (plannedMs <= kHourMs || options.yes) return true;
  status = kUsage;
  return AskedYes(context, texts.needsYes, texts.startQuestion);
}

bool AskedYes(Context& context, std::string_view withoutTerminal, std::string_view question) {
  const CliTexts& texts = context.texts;
  if (!platform::InputIsTerminal() || !platform::ErrorIsTerminal()) {
    context.err << withoutTerminal << '\n';
    return false;
  }
  context.err << question << std::flush;
  const std::optional<std::string> answer = platform::ReadInputLine([&context] {
    if (context.interrupt.requested()) throw Cancelled();
  });
  std::string word = answer.value_or("");
  while (!word.empty() && (word.back() == '\r' || word.back() == ' ')) word.pop_back();
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::istringstream words{std::string(texts.yesWords)};
  for (std::string yes; words >> yes;) {
    if (!word.empty() && word == yes) return true;
  }
  return false;
}

}  // namespace kv3::cli
