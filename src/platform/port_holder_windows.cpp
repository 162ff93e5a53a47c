// Winsock 2 comes first: windows.h alone would bring the old winsock.h.
#include <winsock2.h>
// Then what builds on it.
#include <iphlpapi.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <filesystem>
#include <vector>

#include "platform/port_holder.h"
#include "platform/windows_text.h"

namespace kv3::platform {

namespace {

// The name of a process's program file; empty where Windows does not tell (another user's).
std::string ProgramOf(DWORD pid) {
  const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return {};
  wchar_t path[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  const bool found = ::QueryFullProcessImageNameW(process, 0, path, &length) != 0;
  ::CloseHandle(process);
  if (!found) return {};
  return detail::Utf8(std::filesystem::path(std::wstring(path, length)).filename().wstring());
}

}  // namespace

std::optional<PortHolder> UdpPortHolder(std::uint16_t port) {
  ULONG size = 0;
  std::vector<unsigned char> table;
  DWORD status = ERROR_INSUFFICIENT_BUFFER;
  for (int attempt = 0; attempt < 3 && status == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
    table.resize(size);
    status = ::GetExtendedUdpTable(table.empty() ? nullptr : table.data(), &size, FALSE, AF_INET,
                                   UDP_TABLE_OWNER_PID, 0);
  }
  if (status != NO_ERROR || table.empty()) return std::nullopt;
  const auto* rows = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(table.data());
  for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
    const MIB_UDPROW_OWNER_PID& row = rows->table[i];
    if (ntohs(static_cast<u_short>(row.dwLocalPort)) != port) continue;
    const std::string program = ProgramOf(row.dwOwningPid);
    if (program.empty()) return std::nullopt;
    return PortHolder{program, static_cast<int>(row.dwOwningPid)};
  }
  return std::nullopt;
}

}  // namespace kv3::platform
