#include "link/PortTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

namespace qel {

namespace fs = std::filesystem;

namespace {

struct DeviceGroup {
  std::string_view prefix;
  bool needsUart;  // the name alone does not prove there is a port behind it
};

// USB adapters first: they are what the unit is normally attached by.
constexpr std::array<DeviceGroup, 4> kGroups{{
    {"ttyUSB", false},
    {"ttyACM", false},
    {"rfcomm", false},
    {"ttyS", true},
}};

// The number in "ttyUSB12"; none when the rest of the name is not all digits ("ttySAC0").
std::optional<std::uint32_t> NumberAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) {
    return std::nullopt;
  }
  const std::string_view digits = name.substr(prefix.size());
  if (digits.empty() || digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  std::uint32_t number = 0;
  for (const char c : digits) {
    number = number * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return number;
}

// The serial core publishes the UART type it detected; 0 means the kernel reserved the name
// (the 8250 driver always creates ttyS0..ttyS31) but found no UART behind it.
bool HasUart(const fs::path& sysClassTty, const std::string& name) {
  std::ifstream typeFile(sysClassTty / name / "type");
  int type = 0;
  return typeFile >> type && type != 0;
}

// The serial devices under `devDir` in the order they take the free numbers.
std::vector<std::string> SerialDevicesUnder(const fs::path& devDir, const fs::path& sysClassTty) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(devDir, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_directory(error)) {
      names.push_back(it->path().filename().string());
    }
  }
  std::vector<std::string> found;
  for (const DeviceGroup& group : kGroups) {
    std::vector<std::pair<std::uint32_t, std::string>> members;
    for (const std::string& name : names) {
      const auto number = NumberAfter(name, group.prefix);
      if (number && (!group.needsUart || HasUart(sysClassTty, name))) {
        members.emplace_back(*number, name);
      }
    }
    std::sort(members.begin(), members.end());
    for (const auto& member : members) {
      found.push_back((devDir / member.second).string());
    }
  }
  return found;
}

}  // namespace

bool PortTable::Assign(int number, std::string path) {
  if (number < kFirstPort || number > kLastPort) {
    return false;
  }
  assigned_[number] = std::move(path);
  Rebuild();
  return true;
}

void PortTable::Scan(const fs::path& devDir, const fs::path& sysClassTty) {
  ScanWith([devDir, sysClassTty] {
    Found found;
    found.inOrder = SerialDevicesUnder(devDir, sysClassTty);
    return found;
  });
}

void PortTable::Rescan() {
  if (!scan_) return;
  found_ = scan_();
  Rebuild();
}

void PortTable::ScanWith(std::function<Found()> scan) {
  scan_ = std::move(scan);
  Rescan();
}

std::optional<std::string> PortTable::PathOf(int number) const {
  const auto entry = paths_.find(number);
  if (entry == paths_.end()) {
    return std::nullopt;
  }
  return entry->second;
}

std::vector<std::pair<int, std::string>> PortTable::Entries() const { return {paths_.begin(), paths_.end()}; }

void PortTable::Rebuild() {
  paths_ = assigned_;
  // insert() leaves the assigned numbers as they are.
  paths_.insert(found_.numbered.begin(), found_.numbered.end());
  int next = kFirstPort;
  for (const std::string& path : found_.inOrder) {
    if (IsAssigned(path)) {
      continue;
    }
    while (next <= kLastPort && paths_.contains(next)) {
      ++next;
    }
    if (next > kLastPort) {
      break;
    }
    paths_[next] = path;
  }
}

bool PortTable::IsAssigned(const std::string& path) const {
  const fs::path normal = fs::path(path).lexically_normal();
  return std::any_of(assigned_.begin(), assigned_.end(), [&](const auto& entry) {
    std::error_code error;
    // equivalent() also sees through links such as /dev/serial/by-id/...
    return fs::path(entry.second).lexically_normal() == normal || fs::equivalent(entry.second, path, error);
  });
}

}  // namespace qel
