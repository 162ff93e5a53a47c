#include "sim/platform_error.h"

#include "platform/net.h"

namespace kv3::sim {

namespace {

class Category final : public std::error_category {
 public:
  const char* name() const noexcept override { return "platform"; }
  std::string message(int error) const override {
    return error == 0 ? "cause unknown" : platform::ErrorText(error);
  }
  // So that a caller may ask for std::errc::address_in_use and the like.
  std::error_condition default_error_condition(int error) const noexcept override {
    // Windows' socket errors (WSAEADDRINUSE) are not in the runtime's table.
    if (platform::IsAddressInUse(error)) return std::errc::address_in_use;
    return std::system_category().default_error_condition(error);
  }
};

}  // namespace

const std::error_category& PlatformCategory() {
  static const Category category;
  return category;
}

void ThrowPlatformError(int error, const std::string& what) {
  throw std::system_error(error, PlatformCategory(), what);
}

}  // namespace kv3::sim
