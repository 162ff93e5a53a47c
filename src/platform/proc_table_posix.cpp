#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/proc_table.h"

namespace kv3::platform {

std::vector<std::vector<std::string>> ReadProcTable(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream table(path);
  std::string line;
  std::getline(table, line);  // the column names
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    rows.emplace_back(std::istream_iterator<std::string>(fields),
                      std::istream_iterator<std::string>());
  }
  return rows;
}

}  // namespace kv3::platform
