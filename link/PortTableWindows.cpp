#include <windows.h>

#include <array>
#include <string_view>

#include "link/PortTable.h"
#include "texts/WindowsText.h"

namespace qel {

namespace fs = std::filesystem;

void PortTable::Scan() {
  // Windows numbers its ports itself, and COM n is what the operator and the unit's documentation
  // call it; which of them exist shows only when one is opened.
  ScanWith([] {
    Found found;
    for (int n = kFirstPort; n <= kLastPort; ++n) found.numbered.emplace(n, "\\\\.\\COM" + std::to_string(n));
    return found;
  });
}

std::string PortTable::PathProblem(const fs::path& path) {
  // A port is no file but a name in the device namespace; asking for its target opens nothing.
  std::wstring name = path.wstring();
  constexpr std::wstring_view kDeviceNamespace = L"\\\\.\\";
  if (name.starts_with(kDeviceNamespace)) name.erase(0, kDeviceNamespace.size());
  std::array<wchar_t, MAX_PATH> target{};
  if (::QueryDosDeviceW(name.c_str(), target.data(), static_cast<DWORD>(target.size())) != 0) return {};
  const DWORD error = ::GetLastError();
  // The name exists; only its target is longer than asked for.
  return error == ERROR_INSUFFICIENT_BUFFER ? std::string() : WindowsErrorText(error);
}

}  // namespace qel
