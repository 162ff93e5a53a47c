#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "form/controls.h"
#include "form/desktop.h"
#include "form/file_dialog.h"
#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "scheme/position_definition.h"
#include "update/stream_upload.h"
#include "update/upload_profile.h"
#include "window/pages/update_pages.h"

namespace kv3::window {

struct SchemeControls {
  UploadHalf picture;      // Ed_Inst_AS, Ed_Up_AS, Bt_Up_AS, CG_AS, OpenDialog5
  form::Edit& definition;  // Ed_Up_DF: the position definition found beside the picture
  SearchReturn back;
};

// The scheme page: choosing a picture of the installation and putting it onto the current unit,
// its position definition first and the picture only once the unit has taken the definition.
class SchemePage {
 public:
  // A picture of this size or more is refused.
  static constexpr std::uintmax_t PictureLimit = update::kSchemePictureLimit;
  static constexpr int PauseAfterDefinitionMs = scheme::kPauseAfterDefinitionMs;
  static constexpr std::string_view GeneratorPagePath =
      "/fernbedienung-vozezaviroru/online-generator.html";
  static constexpr const char* PictureFilter = "Anlagenschema  *.jpg|*.jpg";

  SchemePage(SchemeControls controls, UploadContext context,
             std::function<std::string()> startDirectory);

  void Bt_WS_ASClick();
  void Bt_Ld_ASClick();
  void Bt_Up_ASClick();

  bool running() const { return running_ > 0; }
  // Called once the last running upload of the page has ended.
  std::function<void()> onAllEnded;

 private:
  void showFailure(update::UploadOutcome outcome, const std::string& address);

  SchemeControls c_;
  UploadContext context_;
  std::function<std::string()> startDirectory_;
  int running_ = 0;
};

}  // namespace kv3::window
