#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kv3::scheme {

// The name the unit keeps a position definition under, announced and framed with it.
inline constexpr std::string_view PositionDefinitionName = "getPosition.xml";
// The general definition, and the one created (empty) when none is found.
inline constexpr std::string_view GeneralDefinitionName = "user.rem";

// The pause between the definition's transfer and the picture's.
inline constexpr int kPauseAfterDefinitionMs = 1000;

// A definition is a small text; a file larger than this is refused as unreadable, untouched.
inline constexpr std::size_t kDefinitionLimit = std::size_t{1} << 20;

// A picture's base name: its file name without folder, cut at its last full stop.
std::string PictureBaseName(const std::filesystem::path& picture);

// Rewrites the position lines of a definition into their normalised form; every other byte
// stays. Lines end with LF, CR LF or a lone CR. A position line has an attribute x="N" and after
// it y="M" (names at the line's start or after white space, values decimal 32-bit integers with
// optional leading blanks and sign), and after y's value only blanks, "/>" and blanks; it keeps
// what stands before its x attribute and ends with x="%5d" y="%5d"/> and a line feed. Every
// other line stays exactly as it was, line end included. Lines may be of any number and length.
std::string NormalisePositionDefinition(std::string_view bytes);

// The definition that belongs to a picture, first match wins: "<base>.rem" in the current
// directory, "user.rem" there, "user.rem" in the start directory; otherwise an empty
// "user.rem" is created in the current directory. The current directory is the process's own
// unless one is given. The chosen file is normalised, and written (with the safe replace) only
// when its bytes change. Returns the file's path.
// Throws the window's file errors ("Datei … kann nicht geöffnet/erstellt werden") when the
// definition cannot be read or written or user.rem cannot be created: nothing has been sent then.
std::filesystem::path PreparePositionDefinition(const std::filesystem::path& picture,
                                                const std::filesystem::path& startDirectory,
                                                const std::filesystem::path& currentDirectory = {});

// The definition that belongs to a picture, found as PreparePositionDefinition finds it and
// normalised, but never created: nothing when there is none.
std::optional<std::filesystem::path> ChoosePositionDefinition(
    const std::filesystem::path& picture, const std::filesystem::path& startDirectory,
    const std::filesystem::path& currentDirectory = {});

// Normalises one definition file in place, as PreparePositionDefinition does with the file it
// chooses; throws the same file errors.
void NormaliseDefinitionFile(const std::filesystem::path& definition);

}  // namespace kv3::scheme
