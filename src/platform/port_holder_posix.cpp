#include <dirent.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "platform/port_holder.h"
#include "platform/proc_table.h"

namespace kv3::platform {

namespace {

// The socket inodes bound to the port, from the kernel's tables of UDP sockets.
std::set<std::string> SocketInodes(std::uint16_t port) {
  std::set<std::string> inodes;
  for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
    // Columns: sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid
    // timeout inode ...; the local address ends in ":PORT" (hexadecimal).
    for (const auto& row : ReadProcTable(table)) {
      if (row.size() < 10) continue;
      const std::size_t colon = row[1].rfind(':');
      if (colon == std::string::npos) continue;
      unsigned long value = 0;
      std::istringstream(row[1].substr(colon + 1)) >> std::hex >> value;
      if (value == port && row[9] != "0") inodes.insert(row[9]);
    }
  }
  return inodes;
}

std::string FirstLine(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

}  // namespace

std::optional<PortHolder> UdpPortHolder(std::uint16_t port) {
  const std::set<std::string> inodes = SocketInodes(port);
  if (inodes.empty()) return std::nullopt;
  const std::unique_ptr<DIR, int (*)(DIR*)> processes(::opendir("/proc"), ::closedir);
  if (!processes) return std::nullopt;
  while (const dirent* process = ::readdir(processes.get())) {
    const std::string pid = process->d_name;
    if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0]))) continue;
    const std::string fdFolder = "/proc/" + pid + "/fd";
    const std::unique_ptr<DIR, int (*)(DIR*)> fds(::opendir(fdFolder.c_str()), ::closedir);
    if (!fds) continue;  // another user's process
    while (const dirent* fd = ::readdir(fds.get())) {
      std::array<char, 64> target{};
      const std::string link = fdFolder + "/" + fd->d_name;
      const ssize_t length = ::readlink(link.c_str(), target.data(), target.size() - 1);
      if (length <= 0) continue;
      const std::string text(target.data(), static_cast<std::size_t>(length));
      if (text.starts_with("socket:[") && text.ends_with("]") &&
          inodes.contains(text.substr(8, text.size() - 9))) {
        return PortHolder{FirstLine("/proc/" + pid + "/comm"), std::stoi(pid)};
      }
    }
  }
  return std::nullopt;
}

}  // namespace kv3::platform
