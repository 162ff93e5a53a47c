#include <windows.h>
// After windows.h.
#include <aclapi.h>
#include <sddl.h>

#include <memory>

#include "platform/file_access.h"

namespace kv3::platform {

namespace {

struct LocalMemory {
  void operator()(void* memory) const { LocalFree(memory); }
};

// Whether the access entry names one of the groups every user of the computer belongs to.
bool NamesEveryone(PSID sid) {
  for (const WELL_KNOWN_SID_TYPE group :
       {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid}) {
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buffer;
    if (CreateWellKnownSid(group, nullptr, buffer, &size) && EqualSid(sid, buffer)) return true;
  }
  return false;
}

}  // namespace

bool OthersMayRead(const std::filesystem::path& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const std::unique_ptr<void, LocalMemory> owned(descriptor);
  // No list at all lets everyone in.
  if (dacl == nullptr) return true;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) {
      continue;
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    const DWORD reading = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;
    if ((allowed->Mask & reading) != 0 && NamesEveryone(&allowed->SidStart)) return true;
  }
  return false;
}

}  // namespace kv3::platform
