#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/loopback_lan.h"
#include "support/namespace_lan.h"
#include "support/program_run.h"

namespace kv3::cli {

// kv3 run inside the PC's namespace of the test's LAN (the calling thread is there).
inline test::ProgramResult Kv3(const std::vector<std::string>& arguments,
                               const std::string& input = {},
                               const std::vector<std::string>& environment = {}) {
  return test::RunProgram(KV3_PATH, arguments, input, environment);
}

// A LAN of simulated units for one case; the units keep what they are sent under store().
class CliOnLan {
 protected:
  // False where namespaces cannot be made: the caller skips, and where the LAN is required
  // (NamespaceLan::required) the case has failed already.
  bool build(const std::vector<std::string>& units, const std::vector<std::string>& farUnits = {},
             const std::vector<std::string>& secondLan = {},
             const std::vector<std::string>& hosted = {},
             const std::vector<std::string>& moreArguments = {}) {
    const std::string reason = test::NamespaceLan::unavailableReason();
    if (!reason.empty()) {
      // A fatal failure: the case's body does not run after its SetUp.
      if (test::NamespaceLan::required()) [&] { FAIL() << reason; }();
      return false;
    }
    lan = std::make_unique<test::NamespaceLan>(
        units, farUnits,
        std::vector<std::string>{"--store=" + store().string(), "--restart-ms=200", "--log"},
        secondLan, hosted, moreArguments);
    return true;
  }
  std::filesystem::path store() const { return directory.path() / "store"; }

  test::ScratchDirectory directory;
  std::unique_ptr<test::NamespaceLan> lan;
};

// Every text of `wanted` occurs in `text`, none of `unwanted`.
inline void ExpectTexts(const std::string& text, const std::vector<std::string>& wanted,
                        const std::vector<std::string>& unwanted, const char* what) {
  for (const std::string& part : wanted) {
    EXPECT_NE(text.find(part), std::string::npos) << what << " lacks \"" << part << "\":\n" << text;
  }
  for (const std::string& part : unwanted) {
    EXPECT_EQ(text.find(part), std::string::npos) << what << " has \"" << part << "\":\n" << text;
  }
}

}  // namespace kv3::cli
