#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "scheme/position_definition.h"
#include "ui/controls.h"
#include "ui/desktop.h"
#include "ui/file_dialog.h"
#include "update/stream_upload.h"
#include "update/update_pages.h"
#include "update/upload_profile.h"

namespace kv3::scheme {

struct SchemeControls {
  ui::Edit& Ed_Inst_AS;
  ui::Edit& Ed_Up_AS;
  ui::Edit& Ed_Up_DF;
  ui::Button& Bt_Up_AS;
  ui::Gauge& CG_AS;
  ui::FileDialog& OpenDialog5;
  ui::ListBox& LB1;
  ui::Button& BTSuchen;
  ui::PageControl& PageControl1;
  ui::TabSheet& TabSheet1;
};

// The scheme page: choosing a picture of the installation and putting it onto the current unit,
// its position definition first and the picture only once the unit has taken the definition.
class SchemePage {
 public:
  // A picture of this size or more is refused.
  static constexpr std::uintmax_t PictureLimit = update::kSchemePictureLimit;
  static constexpr int PauseAfterDefinitionMs = kPauseAfterDefinitionMs;
  static constexpr int PauseBeforeSearchMs = 1000;
  static constexpr std::string_view GeneratorPagePath =
      "/fernbedienung-vozezaviroru/online-generator.html";
  static constexpr const char* PictureFilter = "Anlagenschema  *.jpg|*.jpg";

  SchemePage(SchemeControls controls, link::TSock& sock,
             std::function<link::DeviceRecord&()> current, const link::LinkSettings& settings,
             ui::Desktop& desktop, std::function<update::UploadTexts()> texts, std::string site,
             std::function<std::string()> startDirectory);

  void Bt_WS_ASClick();
  void Bt_Ld_ASClick();
  void Bt_Up_ASClick();

  bool running() const { return running_ > 0; }
  // Called once the last running upload of the page has ended.
  std::function<void()> onAllEnded;

 private:
  // The definition's transfer to `unit`; true when the unit answered "complete!".
  bool sendPositionDefinition(const std::string& picture, link::DeviceRecord& unit);
  void notFound(const update::UploadTexts& texts);
  void showFailure(const update::UploadRun& run);

  SchemeControls c_;
  link::TSock& sock_;
  std::function<link::DeviceRecord&()> current_;
  const link::LinkSettings& settings_;
  ui::Desktop& desktop_;
  std::function<update::UploadTexts()> texts_;
  std::string site_;
  std::function<std::string()> startDirectory_;
  int running_ = 0;
};

}  // namespace kv3::scheme
