#include <windows.h>

#include "platform/user_language_parts.h"
#include "platform/windows_text.h"

namespace kv3::platform::detail {

std::string SystemLanguage() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  // The language of Windows' own menus and dialogs, as the user chose it.
  const int length = ::LCIDToLocaleName(MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT), name,
                                        LOCALE_NAME_MAX_LENGTH, 0);
  return length > 1 ? Utf8(std::wstring_view(name, static_cast<std::size_t>(length - 1)))
                    : std::string();
}

}  // namespace kv3::platform::detail
