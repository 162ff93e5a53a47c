#include "cli/transfer_payload.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <sstream>

#include "cli/unit_view.h"
#include "link/codepage.h"
#include "platform/console.h"
#include "platform/file_errors.h"
#include "platform/utf8_path.h"
#include "scheme/position_definition.h"
#include "service/web_image.h"
#include "update/stream_format.h"

namespace kv3::cli {

namespace {

// The first bytes of a file, at most `count`; nothing when it cannot be read.
std::optional<std::string> FirstBytes(const std::filesystem::path& path, std::size_t count) {
  platform::ReadFile file{path};
  if (!file) return std::nullopt;
  std::string bytes(count, '\0');
  std::size_t got = 0;
  while (got < count) {
    const long part = file.read({reinterpret_cast<std::uint8_t*>(bytes.data()) + got,
                                 static_cast<std::size_t>(count - got)});
    if (part < 0) return std::nullopt;
    if (part == 0) break;
    got += static_cast<std::size_t>(part);
  }
  bytes.resize(got);
  return bytes;
}

bool IsJpeg(std::string_view start) { return start.starts_with("\xFF\xD8\xFF"); }

bool IsPicture(std::string_view start) {
  return IsJpeg(start) || start.starts_with("\x89PNG\r\n\x1A\n") || start.starts_with("GIF87a") ||
         start.starts_with("GIF89a");
}

// Text: no zero byte and no control character but line ends, tabs and form feeds; bytes from
// 0x80 up count as text (UTF-8 or a single-byte code page).
bool IsText(std::string_view start) {
  return !start.empty() && std::all_of(start.begin(), start.end(), [](char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 0x20 || c == '\n' || c == '\r' || c == '\t' || c == '\f';
  });
}

// A web image with at least one file, as the units and `kv3 image list` read it.
bool IsWebImage(const std::filesystem::path& path, service::ImageListProblem& problem) {
  const auto listing = service::ListWebImage(path, problem);
  return listing && !listing->empty();
}

// Why the file's content is not what the row puts onto a unit; nothing when it may be. Only what
// can be known is checked: a web app must read as a web image, a picture must be a JPEG, and
// firmware must be neither a web image, a picture nor text.
std::optional<std::string> ContentProblem(const CliTexts& texts, TransferKind kind,
                                          const std::filesystem::path& path) {
  constexpr std::size_t kLooked = 65536;
  const std::optional<std::string> start = FirstBytes(path, kLooked);
  if (!start) return std::nullopt;  // the size check says what is wrong with it
  service::ImageListProblem problem = service::ImageListProblem::None;
  switch (kind) {
    case TransferKind::WebApp:
      if (IsWebImage(path, problem)) return std::nullopt;
      return std::string(texts.notWebImage);
    case TransferKind::Skin:
    case TransferKind::Scheme:
      if (IsJpeg(*start)) return std::nullopt;
      return std::string(texts.notJpeg);
    case TransferKind::Firmware:
      if (IsPicture(*start)) return std::string(texts.firmwareIsPicture);
      if (IsWebImage(path, problem)) return std::string(texts.firmwareIsWebImage);
      if (IsText(*start)) return std::string(texts.firmwareIsText);
      return std::nullopt;
  }
  return std::nullopt;
}

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
  if (options.kind == TransferKind::Firmware && !ExtensionIs(options.file, ".bin")) {
    return refuse(Fill(texts.firmwareNotBin, {shown}), kUsage);
  }
  const std::filesystem::path path = platform::PathFromUtf8(options.file);
  const std::optional<platform::FileStamp> stamp = platform::ReadFile(path).stamp();
  if (!stamp) {
    return refuse(Fill(texts.fileUnreadable, {shown, FileReason(texts, options.file)}),
                  kLocalError);
  }
  // A unit takes an empty file as well and reports it complete: it would hold nothing.
  if (stamp->size == 0) return refuse(Fill(texts.fileEmpty, {shown}), kLocalError);
  const update::UploadProfile& row = RowOf(options.kind);
  if (!update::PrefixValue(row.framing, stamp->size)) {
    return refuse(Fill(texts.fileTooBigForUnit, {shown}), kUsage);
  }
  if (row.sizeLimit != 0 && stamp->size >= row.sizeLimit) {
    return refuse(texts.window.TextFileTooBig, kUsage);
  }
  if (!link::Utf8ToCp1252Exact(update::FileNameOf(options.file))) {
    return refuse(Fill(texts.nameNotSendable, {shown}), kUsage);
  }
  if (!options.force) {
    if (const auto problem = ContentProblem(texts, options.kind, path)) {
      return refuse(Fill(texts.contentRefused, {shown, *problem}), kUsage);
    }
  }
  Payload payload{&row, options.file, *stamp, false, std::nullopt, std::nullopt, stamp->size, 0};
  if (options.kind != TransferKind::Scheme) return payload;
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
  } catch (const platform::FileError& error) {
    const std::string where = platform::Utf8FromPath(error.path());
    return refuse(Fill(error.kind() == platform::FileError::Kind::Open ? texts.fileUnreadable
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
  if (!platform::InputIsTerminal() || !platform::ErrorIsTerminal()) {
    context.err << texts.needsYes << '\n';
    return false;
  }
  context.err << texts.startQuestion << std::flush;
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
