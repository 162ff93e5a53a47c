#include "cli/settings_proof.h"

#include "cli/find_command.h"
#include "link/address_lookup.h"
#include "link/codepage.h"
#include "platform/net.h"
#include "settings/field_rules.h"
#include "settings/network_rules.h"

namespace kv3::cli {

// The unit's network values and state, as --json and the journal show them before and after.
nlohmann::ordered_json NetworkJson(const UnitView& view) {
  nlohmann::ordered_json values;
  values["state"] = StateKey(view.state);
  values["address"] = view.address;
  values["mask"] = view.mask;
  values["router"] = view.router;
  values["dhcp"] = view.dhcp;
  return values;
}

std::optional<Difference> FirstDifference(const CliTexts& texts, const search::SearchReport& after,
                                          const search::FoundUnit& found,
                                          const WantedSettings& wanted) {
  const UnitView shown = ViewOf(found);
  const std::string unknown(texts.unknown);
  const search::UnitTexts& is = found.texts;
  std::vector<Difference> compared = {{"dhcp", texts.dhcp,
                                       std::string(shown.dhcp ? texts.on : texts.off),
                                       std::string(wanted.dhcp ? texts.on : texts.off)}};
  if (!wanted.dhcp) {
    // Compared as the unit holds them: "010.0.0.1" is 10.0.0.1.
    const auto held = [](const std::string& text) {
      return link::Ipv4Text(settings::ParseIPv4Text(text));
    };
    compared.push_back({"address", texts.address, shown.address, held(wanted.ip)});
    compared.push_back({"mask", texts.mask, shown.mask, held(wanted.mask)});
    compared.push_back({"router", texts.router, shown.router, held(wanted.router)});
  }
  if (wanted.textsSent && !WhyNotAsked(texts, after, found)) {
    const auto text = [](const std::string& single) { return link::Cp1252ToUtf8(single); };
    compared.push_back(
        {"deviceName", texts.deviceName, text(is.deviceName), text(wanted.deviceName)});
    compared.push_back(
        {"user", texts.user, is.accountAnswered ? text(is.user) : unknown, text(wanted.user)});
    compared.push_back({"password", texts.password,
                        is.accountAnswered ? text(is.password) : unknown, text(wanted.password)});
  }
  for (Difference& difference : compared) {
    if (difference.shown != difference.sent) return std::move(difference);
  }
  return std::nullopt;
}

// The journal's values of a unit before or after: never the password itself.
nlohmann::ordered_json JournalValues(const std::string& ip, const std::string& mask,
                                     const std::string& router, bool dhcp,
                                     const std::optional<std::string>& deviceName,
                                     const std::optional<std::string>& user, bool password) {
  nlohmann::ordered_json values;
  values["address"] = ip;
  values["mask"] = mask;
  values["router"] = router;
  values["dhcp"] = dhcp;
  if (deviceName) values["deviceName"] = *deviceName;
  if (user) values["user"] = *user;
  if (password) values["password"] = "***";
  return values;
}

std::optional<std::string> NetworkProblemText(const CliTexts& texts,
                                              const search::SearchReport& report,
                                              const search::FoundUnit& unit,
                                              const WantedSettings& wanted, bool newAddress) {
  const link::Ipv4Bytes ip = settings::ParseIPv4Text(wanted.ip);
  const link::Ipv4Bytes mask = settings::ParseIPv4Text(wanted.mask);
  const link::Ipv4Bytes router = settings::ParseIPv4Text(wanted.router);
  const std::string ipText = link::Ipv4Text(ip);
  const std::string routerText = link::Ipv4Text(router);
  // Units simulated on this computer live on loopback.
  const bool simulated = link::Ipv4At(unit.record, link::record::kIp)[0] == 127;
  std::string problem;
  switch (settings::CheckNetworkValues(ip, mask, router, simulated)) {
    case settings::NetworkProblem::None:
      break;
    case settings::NetworkProblem::NotAHostAddress:
      problem = Fill(texts.ipNotHost, {ipText});
      break;
    case settings::NetworkProblem::MaskNotContiguous:
      problem = Fill(texts.maskNotContiguous, {link::Ipv4Text(mask)});
      break;
    case settings::NetworkProblem::NetworkAddress:
      problem = Fill(texts.ipIsNetwork, {ipText, settings::NetworkText(ip, mask)});
      break;
    case settings::NetworkProblem::BroadcastAddress:
      problem = Fill(texts.ipIsBroadcast, {ipText, settings::NetworkText(ip, mask)});
      break;
    case settings::NetworkProblem::RouterIsTheAddress:
      problem = Fill(texts.routerIsUnit, {routerText});
      break;
    case settings::NetworkProblem::RouterOutside:
      problem = Fill(texts.routerOutside, {routerText, settings::NetworkText(ip, mask)});
      break;
  }
  if (problem.empty() && newAddress) {
    const std::uint32_t address = link::LookupHost(ipText);
    for (const platform::Adapter& adapter : platform::UpAdapters()) {
      if (adapter.address == address) {
        problem = Fill(texts.ipIsThisComputer, {ipText, TerminalText(adapter.name)});
      }
    }
    for (const search::FoundUnit& other : report.units) {
      if (link::Mac(other.record) != link::Mac(unit.record) &&
          link::Ipv4At(other.record, link::record::kIp) == ip) {
        problem = Fill(texts.ipTaken, {ipText, link::MacText(other.record)});
      }
    }
  }
  if (problem.empty()) return std::nullopt;
  return problem;
}

}  // namespace kv3::cli
