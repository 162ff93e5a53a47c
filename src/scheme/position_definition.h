#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kv3::scheme {

// The name the unit keeps a position definition under, announced and framed with it.
inline constexpr std::string_view PositionDefinitionName = "getPosition.xml";
// The general definition, and the one created (empty) when none is found.
inline constexpr std::string_view GeneralDefinitionName = "user.rem";

// A picture's base name: its file name without folder, cut at its last full stop.
std::string PictureBaseName(const std::filesystem::path& picture);

// Rewrites the position lines of a definition into their normalised form; every other byte
// stays. A position line has an attribute x="N" and after it y="M" (names preceded by white
// space, values decimal 32-bit integers with optional leading blanks and sign); it keeps what
// stands before its x attribute and ends with x="%5d" y="%5d"/> and a line feed. A line whose
// coordinates cannot be read that way stays exactly as it was. Lines may be of any number and
// length.
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

// Normalises one definition file in place, as PreparePositionDefinition does with the file it
// chooses; throws the same file errors.
void NormaliseDefinitionFile(const std::filesystem::path& definition);

}  // namespace kv3::scheme
