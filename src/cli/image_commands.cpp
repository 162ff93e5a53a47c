#include "cli/image_commands.h"

#include <filesystem>

#include "cli/unit_view.h"
#include "link/codepage.h"
#include "service/web_image.h"

namespace kv3::cli {

int RunImageBuild(Context& context, const std::string& target,
                  const std::vector<std::string>& files) {
  const CliTexts& texts = context.texts;
  const std::vector<std::filesystem::path> paths(files.begin(), files.end());
  switch (service::BuildWebImage(paths, target)) {
    case service::ImageBuild::Written:
      break;
    case service::ImageBuild::TooManyFiles:
      context.err << texts.imageTooMany << '\n';
      return kUsage;
    case service::ImageBuild::Unreadable:
      context.err << Fill(texts.imageUnreadable, {target}) << '\n';
      return kLocalError;
    case service::ImageBuild::TooLarge:
      context.err << texts.imageTooLarge << '\n';
      return kLocalError;
    case service::ImageBuild::TargetNotWritten:
      context.err << Fill(texts.imageNotWritten, {target}) << '\n';
      return kLocalError;
  }
  std::error_code ignored;
  const auto size = std::filesystem::file_size(target, ignored);
  context.out << Fill(texts.imageWritten,
                      {target, std::to_string(files.size()), std::to_string(size)})
              << '\n';
  return kSuccess;
}

int RunImageList(Context& context, const std::string& image, bool json) {
  const CliTexts& texts = context.texts;
  service::ImageListProblem problem = service::ImageListProblem::None;
  const auto listing = service::ListWebImage(image, problem);
  if (!listing) {
    const std::string_view message =
        problem == service::ImageListProblem::NoEndMarker      ? texts.imageNoEnd
        : problem == service::ImageListProblem::ContentOutside ? texts.imageOutside
                                                               : texts.fileUnreadable;
    context.err << Fill(message, {image}) << '\n';
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
