#include "form/file_dialog.h"

#include <filesystem>
#include <system_error>

#include "form/desktop.h"
#include "platform/utf8_path.h"

namespace kv3::form {

namespace {

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

}  // namespace

bool FileDialog::execute(Desktop& desktop) {
  if (!desktop.runFileDialog(*this)) {
    return false;
  }
  namespace fs = std::filesystem;
  // The names are UTF-8; the system's path type holds them in its own form.
  fs::path chosen = platform::PathFromUtf8(fileName);
  if (mode_ == Mode::Save && !defaultExt.empty() && !chosen.has_extension()) {
    chosen += platform::PathFromUtf8("." + defaultExt);
    fileName = platform::Utf8FromPath(chosen);
  }
  if (files.empty()) {
    files.push_back(fileName);
  }
  const std::string ext = platform::Utf8FromPath(chosen.extension());
  extensionDifferent = !defaultExt.empty() &&
                       lowerAscii(ext.empty() ? ext : ext.substr(1)) != lowerAscii(defaultExt);
  // As the desktop's own dialogs do: the chosen file's folder becomes the current directory.
  if (chosen.has_parent_path()) {
    std::error_code ignored;
    fs::current_path(chosen.parent_path(), ignored);
  }
  return true;
}

}  // namespace kv3::form
