#include "scheme/scheme_upload.h"

#include "platform/utf8_path.h"
#include "scheme/position_definition.h"
#include "update/stream_format.h"

namespace kv3::scheme {

namespace {

update::UploadOutcome SendLeg(SchemeLeg leg, std::string_view name, update::UploadRun& run,
                              link::DeviceRecord& unit, const link::LinkSettings& settings,
                              platform::Pacing& pacing, const SchemeSteps& steps) {
  if (run.ready() && steps.legStarts) steps.legStarts(leg, name);
  const update::UploadOutcome outcome =
      update::SendRun(run, unit, steps.announce, settings, pacing, [&steps, leg](int percent) {
        if (steps.progress) steps.progress(leg, percent);
      });
  if (outcome != update::UploadOutcome::Complete && steps.legFailed) steps.legFailed(leg, run);
  return outcome;
}

}  // namespace

update::UploadOutcome UploadScheme(const std::string& picture, link::DeviceRecord& unit,
                                   const link::LinkSettings& settings, platform::Pacing& pacing,
                                   const SchemeSteps& steps) {
  update::UploadRun pictureRun(update::SchemeRow, picture, unit, {}, steps.pictureChecked);
  if (!pictureRun.ready()) {
    if (steps.legFailed) steps.legFailed(SchemeLeg::Picture, pictureRun);
    return pictureRun.outcome();
  }
  const std::optional<std::filesystem::path> definition = steps.definition();
  update::UploadRun definitionRun(update::PositionsRow,
                                  definition ? platform::Utf8FromPath(*definition) : std::string(),
                                  unit, PositionDefinitionName, steps.definitionChecked);
  const update::UploadOutcome taken = SendLeg(SchemeLeg::Definition, PositionDefinitionName,
                                              definitionRun, unit, settings, pacing, steps);
  if (steps.definitionEnded) steps.definitionEnded(taken);
  pacing.pause(kPauseAfterDefinitionMs);
  if (taken != update::UploadOutcome::Complete) return taken;
  if (steps.definitionTaken) steps.definitionTaken();
  return SendLeg(SchemeLeg::Picture, update::FileNameOf(picture), pictureRun, unit, settings,
                 pacing, steps);
}

}  // namespace kv3::scheme
