#include "scheme/scheme_upload.h"

#include "platform/utf8_path.h"
#include "scheme/position_definition.h"
#include "update/stream_format.h"

namespace kv3::scheme {

namespace {

update::UploadOutcome SendLeg(SchemeLeg leg, const std::string& path, std::string_view name,
                              const std::optional<platform::FileStamp>& checked,
                              link::DeviceRecord& unit, link::Requester& requester,
                              const link::LinkSettings& settings, platform::Pacing& pacing,
                              const SchemeSteps& steps) {
  update::UploadSteps legSteps;
  legSteps.announcing = [&steps, leg, name](std::uint64_t) {
    if (steps.legStarts) steps.legStarts(leg, name);
  };
  legSteps.progress = [&steps, leg](int percent) {
    if (steps.progress) steps.progress(leg, percent);
  };
  legSteps.checked = checked;
  if (leg == SchemeLeg::Definition) legSteps.name = name;
  const update::UploadOutcome outcome =
      update::StreamUpload(leg == SchemeLeg::Picture ? update::SchemeRow : update::PositionsRow,
                           path, unit, requester, settings, pacing, legSteps);
  if (outcome != update::UploadOutcome::Complete && steps.legFailed) steps.legFailed(leg, outcome);
  return outcome;
}

}  // namespace

update::UploadOutcome UploadScheme(const std::string& picture, link::DeviceRecord& unit,
                                   link::Requester& requester, const link::LinkSettings& settings,
                                   platform::Pacing& pacing, const SchemeSteps& steps) {
  const auto refused = [&steps](update::UploadOutcome outcome) {
    if (steps.legFailed) steps.legFailed(SchemeLeg::Picture, outcome);
    return outcome;
  };
  const update::CheckedFile checked = update::CheckFile(update::SchemeRow, picture);
  if (!checked.ok()) return refused(*checked.refused);
  if (steps.pictureChecked && *steps.pictureChecked != checked.stamp) {
    return refused(update::UploadOutcome::FileChanged);
  }
  if (!link::AddressesOneUnit(unit)) return refused(update::UploadOutcome::NotAddressable);
  const std::optional<std::filesystem::path> definition = steps.definition();
  const update::UploadOutcome taken = SendLeg(
      SchemeLeg::Definition, definition ? platform::Utf8FromPath(*definition) : std::string(),
      PositionDefinitionName, definition ? steps.definitionChecked : std::nullopt, unit, requester,
      settings, pacing, steps);
  if (steps.definitionEnded) steps.definitionEnded(taken);
  pacing.pause(kPauseAfterDefinitionMs);
  if (taken != update::UploadOutcome::Complete) return taken;
  if (steps.definitionTaken) steps.definitionTaken();
  return SendLeg(SchemeLeg::Picture, picture, update::FileNameOf(picture), checked.stamp, unit,
                 requester, settings, pacing, steps);
}

}  // namespace kv3::scheme
