#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "form/controls.h"
#include "form/desktop.h"
#include "form/file_dialog.h"
#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "update/stream_upload.h"

namespace kv3::window {

// The controls of one upload half: what the unit has, the chosen file, start, progress.
struct UploadHalf {
  form::Edit& installed;  // Ed_Inst_*
  form::Edit& chosen;     // Ed_Up_*: the chosen file's name without directory and extension
  form::Button& start;    // Bt_Up_*
  form::Gauge& gauge;     // CG_*
  form::FileDialog& dialog;
};

// Where the window goes after a successful upload: back to the search page, to a new search.
struct SearchReturn {
  form::ListBox& unitList;     // LB1
  form::Button& searchButton;  // BTSuchen
  form::PageControl& pages;    // PageControl1
  form::TabSheet& searchPage;  // TabSheet1
};

struct UpdateControls {
  UploadHalf firmware;  // update page, left
  UploadHalf webApp;    // update page, right
  UploadHalf skin;      // skin page
  SearchReturn back;
};

// The language texts the uploads show, in the language in force.
struct UploadTexts {
  std::string error;
  std::string message;
  std::string notFound;
  std::string corrupted;
  std::string updatedRestart;
  std::string updated;
  std::string bigFileHint;
  std::string fileTooBig;
  std::string nameNotSendable;
  std::string fileChanged;
  std::string notOneUnit;     // "{}": the unit's address
  std::string sharedAddress;  // "{}": the unit's address, the other units' MACs
  std::string fileEmpty;
  std::string noAnswer;
};

// What an upload page works with besides its controls.
struct UploadContext {
  link::TSock& sock;
  std::function<link::DeviceRecord&()> current;  // the current unit's record
  const link::DeviceTable& table;                // the units of the last search
  const link::LinkSettings& settings;
  form::Desktop& desktop;
  std::function<UploadTexts()> texts;  // in the language in force
  std::string site;                    // the maker's web site
};

// The message of a run that did not succeed, if it has one: a run that ended without a word
// (no connection, the file gone) shows nothing. `address` is the unit's, as the run took it.
void ShowUploadFailure(form::Desktop& desktop, const UploadTexts& texts,
                       update::UploadOutcome outcome, const std::string& address);

// False, after the error box, when other units of the last search answer from the unit's
// address: an upload there would reach whichever of them this computer's neighbour table holds.
bool AloneAtItsAddress(const UploadContext& context, const link::DeviceRecord& unit);

// Marks a page busy for one upload, whichever way the upload ends: the start button, where the
// row holds it, stays disabled, and the last upload to end calls onAllEnded.
class UploadBusy {
 public:
  UploadBusy(int& running, const std::function<void()>& onAllEnded, form::Button* start);
  ~UploadBusy();
  UploadBusy(const UploadBusy&) = delete;
  UploadBusy& operator=(const UploadBusy&) = delete;

 private:
  int& running_;
  const std::function<void()>& onAllEnded_;
  form::Button* start_;
};

// What follows a successful upload; the rows differ only in the points listed here.
struct FollowUp {
  std::string UploadTexts::*message;
  bool messagesFirst = false;  // the window handles its messages before the message box
  bool keepsName = true;       // the installed field shows the chosen name (else it is emptied)
  bool enablesStart = false;   // the start button is enabled before the pause
  bool pageFirst = false;      // back to the search page before the list is emptied
  bool messagesLast = true;    // the window handles its messages at the end
};

// The success message, the fields of the half, then a new search after the fixed pause.
void AfterUpload(form::Desktop& desktop, const std::function<UploadTexts()>& texts,
                 const UploadHalf& half, const SearchReturn& back, const FollowUp& how);

// The firmware and web-app halves of the update page and the skin page: choosing a file,
// starting the upload and what follows a success.
class UpdatePages {
 public:
  static constexpr int PauseBeforeSearchMs = 1000;
  static constexpr std::string_view FirmwarePagePath = "/fernbedienung-vozezaviroru/firmware.html";
  static constexpr std::string_view WebAppPagePath = "/fernbedienung-vozezaviroru/web-app.html";
  static constexpr std::string_view SkinPagePath = "/fernbedienung-vozezaviroru/design.html";

  UpdatePages(UpdateControls controls, UploadContext context);

  void Bt_WS_FWClick();
  void Bt_Ld_FWClick();
  void Bt_Up_FWClick();
  void Bt_WS_WAClick();
  void Bt_Ld_WAClick();
  void Bt_Up_WAClick();
  void Bt_WS_RClick();
  void Bt_Ld_RClick();
  void Bt_Up_RClick();

  // True while an upload runs (also one started inside another's message processing).
  bool running() const { return running_ > 0; }
  // Called once the last running upload has ended, after its follow-up.
  std::function<void()> onAllEnded;

 private:
  void chooseFile(const UploadHalf& half, const char* filter);
  // The upload of one row; true when it ended "complete!" (its failure is shown otherwise).
  bool upload(const update::UploadProfile& row, const UploadHalf& half);

  UpdateControls c_;
  UploadContext context_;
  int running_ = 0;
};

}  // namespace kv3::window
