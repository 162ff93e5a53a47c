#include "cli/context.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>
#include <utility>

#include "cli/sock_failures.h"
#include "cli/unit_view.h"
#include "link/address_lookup.h"
#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/sock_exception.h"
#include "platform/console.h"
#include "platform/net.h"
#include "platform/network_policy.h"
#include "platform/port_holder.h"
#include "platform/routes.h"
#include "settings/field_rules.h"
#include "settings/save_settings.h"

namespace kv3::cli {

std::optional<search::SearchReport> Search(Context& context, const std::string& address,
                                           bool readTexts, int& status) {
  // Digits and dots that make no address would be read as 255.255.255.255: every unit.
  if (!link::IsAddressOrHostName(address)) {
    context.err << Fill(context.texts.badHostAddress, {address}) << '\n';
    status = kUsage;
    return std::nullopt;
  }
  CliPacing pacing(context.interrupt);
  search::SearchReport report;
  try {
    report = search::SearchUnits(context.settings, pacing, address, readTexts);
  } catch (const link::ESockException& error) {
    context.err << address << ": " << SockFailureText(context.texts, error) << '\n';
    status = kLocalError;
    return std::nullopt;
  }
  if (report.bindError != 0) {
    PrintSearchDiagnosis(context, report);
    status = kLocalError;
    return std::nullopt;
  }
  status = kSuccess;
  return report;
}

std::string PublicNetworkHint(const CliTexts& texts, const std::vector<std::string>& networks) {
  if (networks.empty()) return {};
  std::vector<std::string> named;
  for (const std::string& network : networks) {
    if (!network.empty() && std::find(named.begin(), named.end(), network) == named.end()) {
      named.push_back(network);
    }
  }
  if (named.empty()) return std::string(texts.publicNetworkUnnamed);
  // A network's name is the system's, and may hold any byte.
  if (named.size() == 1) return Fill(texts.publicNetwork, {TerminalText(named.front())});
  std::string listed;
  for (const std::string& name : named) {
    listed += (listed.empty() ? "\"" : ", \"") + TerminalText(name) + "\"";
  }
  return Fill(texts.publicNetworks, {listed});
}

void PrintSearchDiagnosis(Context& context, const search::SearchReport& report) {
  const CliTexts& texts = context.texts;
  const std::string port = std::to_string(context.settings.replyPort);
  if (report.bindError != 0) {
    const auto holder = platform::UdpPortHolder(context.settings.replyPort);
    if (holder) {
      context.err << Fill(texts.portTakenBy, {port, holder->program, std::to_string(holder->pid)})
                  << '\n';
    } else if (platform::IsAddressInUse(report.bindError)) {
      context.err << Fill(texts.portTaken, {port}) << '\n';
    } else {
      context.err << port << ": " << platform::ErrorText(report.bindError) << '\n';
    }
  }
  if (report.tried.empty()) {
    context.err << texts.noAdapter << '\n' << texts.loopbackHint << '\n';
  }
  if (const std::string hint = PublicNetworkHint(texts, platform::PublicNetworks());
      !hint.empty()) {
    context.err << hint << '\n';
  }
  for (const search::SearchTarget& target : report.tried) {
    const std::string where = link::AddressText(target.address);
    // An adapter's name is the system's, and may hold any byte.
    const std::string adapter = TerminalText(target.adapter);
    if (target.adapter.empty()) {
      context.err << Fill(texts.searchedAt, {where}) << '\n';
    } else {
      context.err << Fill(texts.searchedOn, {adapter, link::AddressText(target.own), where})
                  << '\n';
    }
    if (target.error != 0 && report.bindError == 0) {
      context.err << Fill(texts.sendFailed, {where, adapter.empty() ? "-" : adapter,
                                             platform::ErrorText(target.error)})
                  << '\n';
    }
  }
}

const search::FoundUnit* FindByMac(const search::SearchReport& report,
                                   const link::MacAddress& mac) {
  for (const search::FoundUnit& unit : report.units) {
    if (link::Mac(unit.record) == mac) return &unit;
  }
  return nullptr;
}

}  // namespace kv3::cli
