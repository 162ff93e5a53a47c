#pragma once

#include <string>
#include <vector>

namespace kv3::form {

class Desktop;

// Settings and outcome of a file-open or file-save dialog of the window.
class FileDialog {
 public:
  enum class Mode { Open, Save };

  FileDialog(std::string name, Mode mode) : name_(std::move(name)), mode_(mode) {}

  const std::string& name() const { return name_; }
  Mode mode() const { return mode_; }

  // Filter in the form "Firmware|*.bin" (pairs of description and patterns).
  std::string filter;
  std::string defaultExt;
  std::string initialDir = ".";
  std::string fileName;
  std::vector<std::string> files;
  bool multiSelect = false;
  bool pathMustExist = false;
  bool fileMustExist = false;
  bool hideReadOnly = false;
  // Set after a confirmed choice whose extension differs from defaultExt.
  bool extensionDifferent = false;

  // Shows the dialog. On confirmation: a save name without extension gets defaultExt, the
  // extension flag is updated and the chosen file's folder becomes the current directory.
  bool execute(Desktop& desktop);

 private:
  std::string name_;
  Mode mode_;
};

}  // namespace kv3::form
