#include "cli/image_commands.h"

#include <filesystem>

#include "cli/unit_view.h"
#include "link/codepage.h"
#include "platform/utf8_path.h"
#include "service/web_image.h"

namespace kv3::cli {

namespace {

std::string Shown(const std::filesystem::path& path) {
  return PathText(platform::Utf8FromPath(path));
}

}  // namespace

int RunImageBuild(Context& context, const std::string& targetText,
                  const std::vector<std::string>& files) {
  const CliTexts& texts = context.texts;
  const std::filesystem::path target = platform::PathFromUtf8(targetText);
  // The image comes first: a forgotten image name would make the first web file the image.
  if (!ExtensionIs(targetText, ".rom")) {
    context.err << Fill(texts.imageNotRom, {Shown(target)}) << '\n';
    return kUsage;
  }
  std::vector<std::filesystem::path> paths;
  for (const std::string& file : files) paths.push_back(platform::PathFromUtf8(file));
  for (const std::filesystem::path& file : paths) {
    std::error_code different;
    if (file == target || std::filesystem::equivalent(file, target, different)) {
      context.err << Fill(texts.imageOutputIsInput, {Shown(target)}) << '\n';
      return kUsage;
    }
  }
  service::ImageBuildProblem problem;
  const auto stop = [&context] { return context.interrupt.requested(); };
  switch (service::BuildWebImage(paths, target, &problem, stop)) {
    case service::ImageBuild::Written:
      break;
    case service::ImageBuild::Cancelled:
      context.err << texts.interrupted << '\n';
      return kInterrupted;
    case service::ImageBuild::TooManyFiles:
      context.err << texts.imageTooMany << '\n';
      return kUsage;
    case service::ImageBuild::NameNotSendable:
      context.err << Fill(texts.imageNameNotSendable, {Shown(problem.files.at(0))}) << '\n';
      return kUsage;
    case service::ImageBuild::NamesCollide:
      context.err << Fill(texts.imageNamesCollide,
                          {Shown(problem.files.at(0)), Shown(problem.files.at(1)),
                           TerminalText(link::Cp1252ToUtf8(problem.name))})
                  << '\n';
      return kUsage;
    case service::ImageBuild::Unreadable:
      context.err << Fill(texts.imageUnreadable, {Shown(problem.files.at(0)), Shown(target)})
                  << '\n';
      return kLocalError;
    case service::ImageBuild::TooLarge:
      context.err << texts.imageTooLarge << '\n';
      return kLocalError;
    case service::ImageBuild::TargetNotWritten:
      context.err << Fill(texts.imageNotWritten, {Shown(target)}) << '\n';
      return kLocalError;
  }
  std::error_code ignored;
  const auto size = std::filesystem::file_size(target, ignored);
  context.out << Fill(texts.imageWritten,
                      {Shown(target), std::to_string(files.size()), std::to_string(size)})
              << '\n';
  return kSuccess;
}

int RunImageList(Context& context, const std::string& image, bool json) {
  const CliTexts& texts = context.texts;
  service::ImageListProblem problem = service::ImageListProblem::None;
  const auto listing = service::ListWebImage(platform::PathFromUtf8(image), problem);
  if (!listing) {
    const std::string_view message =
        problem == service::ImageListProblem::NoEndMarker      ? texts.imageNoEnd
        : problem == service::ImageListProblem::ContentOutside ? texts.imageOutside
                                                               : texts.fileUnreadable;
    context.err << Fill(message, {Shown(image), FileReason(texts, image)}) << '\n';
    return kLocalError;
  }
  if (json) {
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const service::ImageListing& file : *listing) {
      nlohmann::ordered_json entry;
      entry["name"] = link::Cp1252ToUtf8(file.name);
      entry["size"] = file.size;
      entry["offset"] = file.offset;
      entry["index"] = file.index;
      files.push_back(std::move(entry));
    }
    nlohmann::ordered_json document;
    document["files"] = std::move(files);
    context.out << JsonText(document) << '\n';
    return kSuccess;
  }
  std::vector<std::vector<std::string>> rows = {{std::string(texts.nameColumn),
                                                 std::string(texts.sizeColumn),
                                                 std::string(texts.offsetColumn)}};
  for (const service::ImageListing& file : *listing) {
    rows.push_back(
        {link::Cp1252ToUtf8(file.name), std::to_string(file.size), std::to_string(file.offset)});
  }
  PrintColumns(context.out, rows);
  return kSuccess;
}

}  // namespace kv3::cli
