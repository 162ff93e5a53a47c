#include "link/adapter_search.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>

#include "link/adapters.h"
#include "link/address_lookup.h"
#include "link/answer.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/tsock.h"

namespace kv3::link {

ReplyPortSocket::ReplyPortSocket(std::uint16_t port)
    : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {
  if (!fd_) {
    error_ = errno;
    return;
  }
  const int on = 1;
  ::setsockopt(fd_.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  ::setsockopt(fd_.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    error_ = errno;
    fd_.reset();
  }
}

int ReplyPortSocket::send(std::uint32_t address, std::uint16_t port,
                          std::span<const std::uint8_t> frame, unsigned adapterIndex) {
  if (!fd_) return EBADF;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr.s_addr = address;
  iovec data{const_cast<std::uint8_t*>(frame.data()), frame.size()};
  msghdr message{};
  message.msg_name = &target;
  message.msg_namelen = sizeof target;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
  if (adapterIndex != 0) {
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = static_cast<int>(adapterIndex);
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
  }
  ssize_t sent;
  do {
    sent = ::sendmsg(fd_.get(), &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent < 0 ? errno : 0;
}

std::vector<ReplyPortSocket::Datagram> ReplyPortSocket::takeWaiting(std::size_t limit) {
  std::vector<Datagram> taken;
  if (!fd_) return taken;
  std::vector<char> buffer(TSock::kReceiveBufferSize);
  while (taken.size() < limit) {
    sockaddr_in sender{};
    iovec data{buffer.data(), buffer.size()};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    const ssize_t got = ::recvmsg(fd_.get(), &message, MSG_DONTWAIT);
    if (got < 0) {
      if (errno == EINTR) continue;
      break;  // nothing more waiting (or an error the next search meets again)
    }
    Datagram datagram;
    // A datagram longer than the buffer arrives cut to it (MSG_TRUNC): its first bytes count.
    datagram.bytes.assign(buffer.data(), std::min(static_cast<std::size_t>(got), buffer.size()));
    datagram.sender = sender.sin_addr.s_addr;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO &&
          header->cmsg_len >= CMSG_LEN(sizeof(in_pktinfo))) {
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(header), sizeof info);
        datagram.adapterIndex = static_cast<unsigned>(info.ipi_ifindex);
      }
    }
    taken.push_back(std::move(datagram));
  }
  return taken;
}

namespace {

std::string AdapterName(const std::vector<Adapter>& adapters, unsigned index) {
  for (const Adapter& adapter : adapters) {
    if (adapter.index == index) return adapter.name;
  }
  return {};
}

// Asks every unit at once and hands each its answers in the order they came.
std::map<std::uint32_t, std::vector<std::string>> AskEveryUnit(ReplyPortSocket& socket,
                                                               const std::vector<FoundUnit>& units,
                                                               std::string_view word,
                                                               const LinkSettings& settings,
                                                               ui::Pacing& pacing) {
  const Frame frame = CommandFrame(word);
  // What is still waiting (a late answer to the search) is no answer to this question.
  socket.takeWaiting(kMaxAnswersPerPause);
  std::map<std::uint32_t, std::vector<std::string>> answers;
  for (const FoundUnit& unit : units) {
    const std::uint32_t address = LookupHost(Ipv4Text(unit.record, record::kIp));
    // A unit without an address yet (0.0.0.0) cannot be asked: that address is this computer;
    // at a broadcast or multicast address every unit there would answer in its name.
    if (answers.emplace(address, std::vector<std::string>{}).second &&
        AddressesOneUnit(unit.record)) {
      socket.send(address, settings.commandPort, frame, unit.adapterIndex);
    }
  }
  pacing.pause(Exchange::kAnswerPauseMs);
  for (ReplyPortSocket::Datagram& datagram : socket.takeWaiting(kMaxAnswersPerPause)) {
    const auto asked = answers.find(datagram.sender);
    if (asked != answers.end()) {
      asked->second.push_back(std::move(datagram.bytes));
    }
  }
  return answers;
}

std::string Answer(const std::vector<std::string>& answers, std::size_t position,
                   std::size_t kept) {
  return position < answers.size() ? AnswerText(KeepAnswer(answers[position], kept)) : "";
}

void ReadTexts(ReplyPortSocket& socket, std::vector<FoundUnit>& units, const LinkSettings& settings,
               ui::Pacing& pacing) {
  const auto accounts = AskEveryUnit(socket, units, word::kPassword, settings, pacing);
  const auto versions = AskEveryUnit(socket, units, word::kVersion, settings, pacing);
  for (FoundUnit& unit : units) {
    const std::uint32_t address = LookupHost(Ipv4Text(unit.record, record::kIp));
    const std::vector<std::string>& account = accounts.at(address);
    const std::string text = Answer(account, 0, kKeptAccount);
    const std::size_t colon = text.find(':');
    unit.accountAnswered = colon != std::string::npos;
    if (unit.accountAnswered) {
      unit.user = text.substr(0, colon);
      unit.password = text.substr(colon + 1);
    }
    // The device name follows the account text at once.
    unit.deviceName = Answer(account, 1, kKeptAccount);
    unit.version = Answer(versions.at(address), 0, kKeptAnswer);
  }
}

}  // namespace

SearchReport SearchUnits(const LinkSettings& settings, ui::Pacing& pacing, const std::string& host,
                         bool readTexts) {
  SearchReport report;
  const std::vector<Adapter> adapters = UpAdapters();
  std::vector<SearchTarget> targets;
  if (!host.empty()) {
    targets.push_back({"", 0, LookupHost(host), 0});
  } else {
    const std::uint32_t everyone = LookupHost(settings.broadcastAddress);
    for (const Adapter& adapter : adapters) {
      // A network of one or two addresses (/32, /31) has no broadcast address of its own.
      if (adapter.broadcast != adapter.address &&
          (adapter.broadcast ^ adapter.address) != htonl(1)) {
        targets.push_back({adapter.name, adapter.address, adapter.broadcast, 0});
      }
      if (adapter.broadcast != everyone) {
        targets.push_back({adapter.name, adapter.address, everyone, 0});
      }
    }
  }

  ReplyPortSocket socket(settings.replyPort);
  if (!socket.open()) {
    report.bindError = socket.error();
    report.tried = std::move(targets);
    return report;
  }
  const Frame find = CommandFrame(word::kFind);
  for (SearchTarget& target : targets) {
    unsigned index = 0;
    for (const Adapter& adapter : adapters) {
      if (!target.adapter.empty() && adapter.name == target.adapter &&
          adapter.address == target.own) {
        index = adapter.index;
      }
    }
    target.error = socket.send(target.address, settings.commandPort, find, index);
  }
  report.tried = targets;
  pacing.pause(Exchange::kAnswerPauseMs);

  for (const ReplyPortSocket::Datagram& datagram : socket.takeWaiting(kMaxAnswersPerPause)) {
    const std::vector<std::uint8_t> kept = KeepAnswer(datagram.bytes, kKeptFind);
    if (!AnswerContains(kept, "find")) continue;
    FoundUnit unit;
    unit.record = RecordFromAnswer(kept);
    unit.adapterIndex = datagram.adapterIndex;
    unit.adapter = AdapterName(adapters, datagram.adapterIndex);
    const bool known =
        std::any_of(report.units.begin(), report.units.end(), [&unit](const FoundUnit& other) {
          return other.adapterIndex == unit.adapterIndex && Mac(other.record) == Mac(unit.record) &&
                 Ipv4At(other.record, record::kIp) == Ipv4At(unit.record, record::kIp);
        });
    if (!known) report.units.push_back(std::move(unit));
  }
  if (readTexts && !report.units.empty()) {
    ReadTexts(socket, report.units, settings, pacing);
  }
  return report;
}

}  // namespace kv3::link
