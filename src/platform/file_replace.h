#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kv3::platform {

// Reads the first `limit` bytes of a regular file (symbolic links followed). Nothing when the
// path is not a regular file (a FIFO, a device, a folder) or cannot be read: such a file would
// block the reader or never end.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path,
                                           std::size_t limit = static_cast<std::size_t>(-1));

enum class ReplaceResult {
  Written,
  WriteProtected,  // the file exists and must not be written; nothing was changed
  Failed,          // the new bytes could not be stored; the file is as it was
};

// Gives the user's file new contents so that no failure leaves it half written, and the file
// stays the user's: through a symbolic link the link's target is written (the link stays a
// link); a file with several hard links is written in place so that every name sees the new
// bytes; owner, group and mode are kept. The new bytes are written beside the file and renamed
// over it where the folder allows that; where it does not (a read-only folder, a full disk),
// they are written in place once the file's room for them is secured. A missing file is
// created. A file without any write permission is not written.
ReplaceResult ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes);

// Takes the next piece of new contents; false once a piece could not be stored.
using ContentSink = std::function<bool(std::span<const std::uint8_t>)>;
// Hands every piece of the new contents to the sink in order; false to give the file up.
using ContentWriter = std::function<bool(const ContentSink&)>;

// For contents too large to hold in memory: the writer's pieces go, buffered, into a new file
// beside the target, which is flushed to disk and renamed over the target only when the writer
// and every write succeeded. Until then, and whenever anything fails, the target stays exactly
// as it was and nothing is left beside it. Links are followed and owner, group and mode kept as
// ReplaceFileContents does; a target with several hard links gets the new file under this name
// only (the contents cannot be written twice). A missing file is created.
ReplaceResult ReplaceFileStreamed(const std::filesystem::path& path, const ContentWriter& writer);

// Removes the new files that are being written beside their targets at this moment, for a
// process that must end at once (a second Ctrl-C): nothing is left beside a user's file. The
// targets themselves are untouched. Safe to call from any thread.
void RemovePendingTemporaries() noexcept;

}  // namespace kv3::platform
