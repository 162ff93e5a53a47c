#pragma once

#include <cstdint>
#include <string_view>

namespace kv3::update {

// How the content travels on the stream connection.
enum class Framing {
  PlainStream,  // length prefix, then the content
  NamedStream,  // length prefix (content + 31), the 31-byte block header, then the content
};

// What a file must look like for a row, as far as can be known before a unit is contacted.
enum class Content {
  Any,
  Firmware,  // neither a web image, a picture nor text
  WebImage,  // a web image holding at least one file
  Jpeg,
};

// The settings of one kind of upload: announce, framing and the pace the unit is fed at. What a
// page shows (gauge, button, success text) is the page's business, not the row's.
struct UploadProfile {
  std::string_view command;          // four upper-case letters, bytes 0-3 of the announce
  std::string_view acknowledgement;  // the same word in lower case, looked for in the answer
  bool namedAnnounce = false;        // 122-byte announce with a name from byte 31; else 32 bytes
  Framing framing = Framing::PlainStream;
  int pauseBeforeConnectMs = 0;
  int pauseBeforeSegmentMs = 0;
  int pauseAfterSegmentMs = 0;
  // A file of this many bytes or more is refused before the unit is contacted; 0: no limit
  // but the length prefix's.
  std::uint64_t sizeLimit = 0;
  // An empty file is sent (the units take it and answer "complete!" with nothing kept);
  // otherwise it is refused before the unit is contacted.
  bool allowsEmpty = false;
  // What kv3 checks besides (the window's file dialog filters by the extension instead and sends
  // what is chosen): the file's extension, lower case ("" for any), and its content.
  std::string_view extension = {};
  Content content = Content::Any;
};

// The units keep a scheme picture only below 200 kB.
inline constexpr std::uint64_t kSchemePictureLimit = 204800;

inline constexpr UploadProfile FirmwareRow{.command = "FWUP",
                                           .acknowledgement = "fwup",
                                           .framing = Framing::PlainStream,
                                           .pauseBeforeConnectMs = 2000,
                                           .pauseBeforeSegmentMs = 220,
                                           .extension = ".bin",
                                           .content = Content::Firmware};
inline constexpr UploadProfile WebAppRow{.command = "RFUP",
                                         .acknowledgement = "rfup",
                                         .namedAnnounce = true,
                                         .pauseAfterSegmentMs = 100,
                                         .content = Content::WebImage};
inline constexpr UploadProfile SkinRow{.command = "FRAM",
                                       .acknowledgement = "fram",
                                       .namedAnnounce = true,
                                       .framing = Framing::NamedStream,
                                       .pauseBeforeSegmentMs = 220,
                                       .pauseAfterSegmentMs = 100,
                                       .content = Content::Jpeg};
inline constexpr UploadProfile SchemeRow{.command = "ASCH",
                                         .acknowledgement = "asch",
                                         .namedAnnounce = true,
                                         .framing = Framing::NamedStream,
                                         .pauseBeforeSegmentMs = 220,
                                         .pauseAfterSegmentMs = 100,
                                         .sizeLimit = kSchemePictureLimit,
                                         .content = Content::Jpeg};
// An empty definition empties the unit's positions: that is what a picture without one needs.
inline constexpr UploadProfile PositionsRow{.command = "APOS",
                                            .acknowledgement = "apos",
                                            .namedAnnounce = true,
                                            .framing = Framing::NamedStream,
                                            .pauseBeforeSegmentMs = 220,
                                            .pauseAfterSegmentMs = 100,
                                            .allowsEmpty = true};

// Fixed pauses of every run, whatever the row.
inline constexpr int kPauseAfterAnnounceMs = 500;
inline constexpr int kPauseAfterPrefixMs = 200;
inline constexpr int kPauseAfterHeaderMs = 200;
inline constexpr int kPauseBeforeAnswerMs = 500;

// The sum of the pauses a row asks for when it sends a file of `size` bytes.
long long PlannedPauseMs(const UploadProfile& row, long long size);

}  // namespace kv3::update
