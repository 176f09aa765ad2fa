#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qel {

// Maps the COM numbers 1 to 70 that the operator sees to device paths. Entries come first from
// explicit assignments (number -> path, e.g. a pseudo-terminal given on the command line), then
// from the system's serial ports. On Linux these are the serial devices found under /dev in a fixed
// order, filling the free numbers: ttyUSB*, ttyACM*, rfcomm*, then the ttyS* that have real
// hardware behind them, each group in numeric order. On Windows COM n is \\.\COMn. The rule is
// documented in docs/ports.md.
class PortTable {
 public:
  static constexpr int kFirstPort = 1;
  static constexpr int kLastPort = 70;

  PortTable() = default;

  // Gives COM `number` the device `path`; numbers outside 1..70 are rejected (false).
  bool Assign(int number, std::string path);
  // Fills the unassigned numbers from the system's serial ports. A later Scan replaces what an
  // earlier one found; assignments stay, before or after a Scan.
  void Scan();
  // The Linux scan over folders of the caller's choosing: the devices found under `devDir`,
  // consulting `sysClassTty` to tell real ttyS* ports from placeholders.
  void Scan(const std::filesystem::path& devDir, const std::filesystem::path& sysClassTty);
  // Scans again as the last Scan did, so that adapters plugged in since are offered; a table that
  // was never scanned stays as it is.
  void Rescan();

  // Whether COM `number` holds an explicit assignment.
  bool IsPinned(int number) const { return assigned_.contains(number); }
  // Why `path` cannot be a serial port ("No such file or directory", "not a character
  // device"; on Windows the system's reason when it knows no such device); empty when it may be one.
  static std::string PathProblem(const std::filesystem::path& path);

  // The device of COM `number`; none for 0 ("None"), numbers outside 1..70 and unfilled numbers.
  std::optional<std::string> PathOf(int number) const;
  // The filled numbers in ascending order with their paths (for the connect dialog).
  std::vector<std::pair<int, std::string>> Entries() const;

 private:
  // What a scan found: ports with a number of their own, and devices that take the free numbers
  // in this order.
  struct Found {
    std::map<int, std::string> numbered;
    std::vector<std::string> inOrder;
  };

  // Keeps `scan` for Rescan and lays what it finds out.
  void ScanWith(std::function<Found()> scan);
  // Lays the found devices over the numbers the assignments left free.
  void Rebuild();
  bool IsAssigned(const std::string& path) const;

  std::map<int, std::string> assigned_;
  std::function<Found()> scan_;
  Found found_;
  std::map<int, std::string> paths_;
};

}  // namespace qel
