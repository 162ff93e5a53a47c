// A search answer, as any host on the LAN may send one: kept, judged, turned into a record and
// into the texts the window shows.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/answer.h"
#include "link/codepage.h"
#include "link/device_record.h"
#include "search/unit_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3;
  const std::string_view datagram(reinterpret_cast<const char*>(data), size);
  const auto kept = link::KeepAnswer(datagram, link::kKeptFind);
  if (!link::AnswerContains(kept, "find")) return 0;
  const link::DeviceRecord record = link::RecordFromAnswer(kept);
  link::DeviceTable table;
  table.append(record);
  (void)link::MacText(table.at(0));
  (void)link::Ipv4Text(record, link::record::kIp);
  for (const std::string& name :
       {link::SchemeName(record), link::SkinName(record), link::WebAppName(record)}) {
    (void)link::Cp1252ToUtf8(search::InstalledNameText(name));
  }
  return 0;
}
