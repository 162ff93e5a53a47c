#include <netlistmgr.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>
#include <wrl/client.h>

#include "platform/network_policy.h"
#include "platform/windows_text.h"

namespace kv3::platform {

namespace {

using Microsoft::WRL::ComPtr;

// COM for this thread for as long as it lives; left alone when the thread has it already.
class ComUse {
 public:
  ComUse() : result_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComUse() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComUse(const ComUse&) = delete;
  ComUse& operator=(const ComUse&) = delete;
  // Usable also when another part of the program started it in another way.
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

// The network's name as the system shows it; empty when it has none.
std::string NameOf(INetwork& network) {
  BSTR name = nullptr;
  if (FAILED(network.GetName(&name)) || name == nullptr) return {};
  std::string text = detail::Utf8(std::wstring_view(name, ::SysStringLen(name)));
  ::SysFreeString(name);
  return text;
}

}  // namespace

bool SearchesFromEachAdapter() { return true; }

std::vector<std::string> PublicNetworks() {
  std::vector<std::string> names;
  const ComUse com;
  if (!com.usable()) return names;
  ComPtr<INetworkListManager> manager;
  if (FAILED(::CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL,
                                IID_PPV_ARGS(manager.GetAddressOf())))) {
    return names;
  }
  ComPtr<IEnumNetworks> networks;
  if (FAILED(manager->GetNetworks(NLM_ENUM_NETWORK_CONNECTED, networks.GetAddressOf()))) {
    return names;
  }
  for (;;) {
    ComPtr<INetwork> network;
    ULONG fetched = 0;
    if (networks->Next(1, network.GetAddressOf(), &fetched) != S_OK || fetched != 1) break;
    NLM_NETWORK_CATEGORY category = NLM_NETWORK_CATEGORY_PRIVATE;
    if (SUCCEEDED(network->GetCategory(&category)) && category == NLM_NETWORK_CATEGORY_PUBLIC) {
      names.push_back(NameOf(*network.Get()));
    }
  }
  return names;
}

}  // namespace kv3::platform
