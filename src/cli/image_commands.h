#pragma once

#include <string>
#include <vector>

#include "cli/context.h"

// `kv3 image`: web-application images made and read on this computer; no unit is involved.
namespace kv3::cli {

int RunImageBuild(Context& context, const std::string& target,
                  const std::vector<std::string>& files);
int RunImageList(Context& context, const std::string& image, bool json);

}  // namespace kv3::cli
