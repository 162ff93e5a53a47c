#include "cli/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "settings/field_rules.h"

namespace kv3::cli {
namespace {

// A bar per unit while the terminal has a line for each and one for the cursor; one line for
// all units once it has not, as bars taller than the terminal would scroll copies of themselves.
TEST(ProgressBoard, BarsWhileTheyFitThenOneLineForAll) {
  for (const int terminalRows : {4, 3}) {
    SCOPED_TRACE(terminalRows);
    std::ostringstream out;
    ProgressBoard board({"a", "b", "c"}, ProgressMode::Bars, out, EnglishCliTexts, 2097152,
                        [terminalRows] {
                          return platform::TerminalSize{terminalRows, 80};
                        });
    for (std::size_t row = 0; row < 3; ++row) {
      board.restart(row, "unit" + std::to_string(row), 2097152);
    }
    board.update(0, 50);
    board.finish(2);  // ended before sending anything: it adds nothing more to send
    const std::string last = out.str().substr(out.str().rfind("\x1b[J") + 3);
    if (terminalRows == 4) {
      EXPECT_EQ(std::count(last.begin(), last.end(), '\n'), 3) << last;
      EXPECT_TRUE(last.starts_with("unit0 [###############               ] 50 %\n")) << last;
    } else {
      EXPECT_TRUE(last.starts_with("1 of 3 units finished, 1.0 of 4.0 MiB sent, about ")) << last;
      EXPECT_EQ(std::count(last.begin(), last.end(), '\n'), 1) << last;
    }
  }
}

// Every line stays short of the terminal's last column, where it would wrap and the redraw would
// lose its place: the bars narrow, then the labels are cut.
TEST(ProgressBoard, LinesFitANarrowTerminal) {
  for (const int columns : {50, 24}) {
    SCOPED_TRACE(columns);
    std::ostringstream out;
    ProgressBoard board({"00:1A:2B:3C:4D:01  firmware-für-keller.bin"}, ProgressMode::Bars, out,
                        GermanCliTexts, 1000, [columns] {
                          return platform::TerminalSize{5, columns};
                        });
    board.update(0, 40);
    std::istringstream lines(out.str().substr(out.str().rfind("\x1b[J") + 3));
    for (std::string line; std::getline(lines, line);) {
      EXPECT_LT(settings::CharacterCount(line), static_cast<std::size_t>(columns)) << line;
      EXPECT_NE(line.find("40 %"), std::string::npos) << line;
    }
  }
}

}  // namespace
}  // namespace kv3::cli
