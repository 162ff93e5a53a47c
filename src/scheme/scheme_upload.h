#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/requester.h"
#include "platform/pacing.h"
#include "platform/read_file.h"
#include "update/stream_upload.h"

namespace kv3::scheme {

enum class SchemeLeg { Definition, Picture };

// What a front end does at the steps of a scheme upload. Only `definition` is needed.
struct SchemeSteps {
  // The position definition to send, asked for once the picture passed its checks; nothing
  // sends an empty one that no file holds. Throws the file messages.
  std::function<std::optional<std::filesystem::path>()> definition;
  // Before a leg's announce, with the name the leg shows.
  std::function<void(SchemeLeg leg, std::string_view name)> legStarts;
  // At once when a leg did not end "complete!" (or its file failed its checks), before the
  // pause that follows the definition.
  std::function<void(SchemeLeg leg, update::UploadOutcome outcome)> legFailed;
  // At once when the definition's leg ended, however it ended, before the fixed pause.
  std::function<void(update::UploadOutcome outcome)> definitionEnded;
  // Once the unit took the definition, after the pause, before the picture's announce.
  std::function<void()> definitionTaken;
  std::function<void(SchemeLeg leg, int percent)> progress;
  // The files as the caller checked them, where it did: a file that changed since is not sent.
  std::optional<platform::FileStamp> pictureChecked, definitionChecked;
};

// The scheme's pair for one unit: the picture is checked first, then its position definition
// goes out under its fixed name, the fixed pause passes whatever the unit answered, and the
// picture follows only once the unit took the definition ("complete!"), as it was checked. A
// picture that would be refused never costs the unit its definition. Both announces go by
// `requester`. Returns how the last leg run ended.
update::UploadOutcome UploadScheme(const std::string& picture, link::DeviceRecord& unit,
                                   link::Requester& requester, const link::LinkSettings& settings,
                                   platform::Pacing& pacing, const SchemeSteps& steps);

}  // namespace kv3::scheme
