#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qel {

// Maps the COM numbers 1 to 70 that the operator sees to device paths. Entries come first from
// explicit assignments (number -> path, e.g. a pseudo-terminal given on the command line), then
// from the serial devices found under /dev in a fixed order: ttyUSB*, ttyACM*, rfcomm*, then the
// ttyS* that have real hardware behind them, each group in numeric order. The rule is documented
// in docs/ports.md.
class PortTable {
 public:
  static constexpr int kFirstPort = 1;
  static constexpr int kLastPort = 70;

  PortTable() = default;

  // Gives COM `number` the device `path`; numbers outside 1..70 are rejected (false).
  bool Assign(int number, std::string path);
  // Fills the unassigned numbers from the devices found under `devDir`, consulting `sysClassTty`
  // to tell real ttyS* ports from placeholders. A later Scan replaces what an earlier one found;
  // assignments stay, before or after a Scan.
  void Scan(const std::filesystem::path& devDir = "/dev",
            const std::filesystem::path& sysClassTty = "/sys/class/tty");
  // Scans the folders of the last Scan again, so that adapters plugged in since are offered; a
  // table that was never scanned stays as it is.
  void Rescan();

  // Whether COM `number` holds an explicit assignment.
  bool IsPinned(int number) const { return assigned_.contains(number); }
  // Why `path` cannot be a serial port ("No such file or directory", "not a character
  // device"); empty when it may be one.
  static std::string PathProblem(const std::filesystem::path& path);

  // The device of COM `number`; none for 0 ("None"), numbers outside 1..70 and unfilled numbers.
  std::optional<std::string> PathOf(int number) const;
  // The filled numbers in ascending order with their paths (for the connect dialog).
  std::vector<std::pair<int, std::string>> Entries() const;

 private:
  // Lays the found devices over the numbers the assignments left free.
  void Rebuild();
  bool IsAssigned(const std::string& path) const;

  std::map<int, std::string> assigned_;
  std::optional<std::pair<std::filesystem::path, std::filesystem::path>> scanRoots_;
  std::vector<std::string> found_;
  std::map<int, std::string> paths_;
};

}  // namespace qel
