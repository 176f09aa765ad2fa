// The port's set-up warnings, and the port table on a /dev of the test's own making.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/PortTable.h"
#include "link/SerialPort.h"

namespace qel {
namespace {

using ::testing::ElementsAre;

class RecordingWarnings : public SerialWarnings {
 public:
  void ShowSerialWarning(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

// Opens anything, then refuses the set-up steps the test names: no terminal can be made to.
class RefusingDevice : public SerialDevice {
 public:
  SerialResult Open(const std::string&) override {
    open = true;
    return SerialResult::Ok;
  }
  SerialResult ConfigureLine() override { return line; }
  SerialResult ApplyTimeouts() override { return timeouts; }
  int Read(std::span<std::uint8_t>) override { return 0; }
  bool Write(std::span<const std::uint8_t>) override { return open; }
  void Purge() override {}
  void Close() override { open = false; }
  bool IsOpen() const override { return open; }
  std::string LastError() const override { return {}; }

  bool open = false;
  SerialResult line = SerialResult::Ok;
  SerialResult timeouts = SerialResult::Ok;
};

TEST(SerialPortSetUp, EachRefusalShowsItsWarningAndLeavesThePortOpenNotSetUp) {
  const struct {
    SerialResult line, timeouts;
    std::vector<std::string> warnings;
  } cases[] = {
      {SerialResult::Refused, SerialResult::Ok, {"Not able to set COM parameters"}},
      {SerialResult::Ok, SerialResult::Refused, {"Not able to set Timeouts"}},
      {SerialResult::Refused,
       SerialResult::Failed,
       {"Not able to set COM parameters", "Not able to set Timeouts"}},
  };
  PortTable ports;
  ports.Assign(1, "/dev/first");
  for (const auto& c : cases) {
    RefusingDevice device;
    device.line = c.line;
    device.timeouts = c.timeouts;
    RecordingWarnings warnings;
    CSerialPort port(device, ports, warnings);
    port.Open(1);
    EXPECT_EQ(port.GetStatus(), CSerialPort::kOpenNotSetUp);
    EXPECT_TRUE(device.IsOpen());
    EXPECT_EQ(warnings.shown, c.warnings);
  }
}

namespace fs = std::filesystem;
using ::testing::Pair;

// A /dev and a /sys/class/tty of the test's own making.
class PortTableScan : public ::testing::Test {
 protected:
  PortTableScan() {
    fs::create_directories(dev);
    fs::create_directories(sys);
  }
  ~PortTableScan() override { fs::remove_all(root); }

  void Devices(std::initializer_list<std::string> names) {
    for (const std::string& name : names) std::ofstream(dev / name).put('\0');
  }
  void Uart(const std::string& name, const std::string& type) {
    fs::create_directories(sys / name);
    std::ofstream(sys / name / "type") << type << '\n';
  }
  std::string Dev(const std::string& name) const { return (dev / name).string(); }

  const fs::path root = fs::temp_directory_path() / ("qel-ports-" + std::to_string(::getpid()));
  const fs::path dev = root / "dev";
  const fs::path sys = root / "sys";
  PortTable table;
};

TEST_F(PortTableScan, ListsSerialGroupsInFixedOrderEachInNumericOrder) {
  Devices({"ttyS0", "rfcomm1", "ttyACM0", "ttyUSB10", "ttyUSB2", "rfcomm0", "ttyS4", "ttyS1", "ttyS2"});
  // ttyS1 has no type file and ttyS2 reports no UART: names the kernel merely reserved.
  Uart("ttyS0", "4");
  Uart("ttyS2", "0");
  Uart("ttyS4", "4");
  Devices({"tty0", "ttyUSB", "ttySAC0", "ttyUSB1x", "null", "rfcomm"});
  fs::create_directories(dev / "ttyUSB3");
  table.Scan(dev, sys);
  EXPECT_THAT(table.Entries(),
              ElementsAre(Pair(1, Dev("ttyUSB2")), Pair(2, Dev("ttyUSB10")), Pair(3, Dev("ttyACM0")),
                          Pair(4, Dev("rfcomm0")), Pair(5, Dev("rfcomm1")), Pair(6, Dev("ttyS0")),
                          Pair(7, Dev("ttyS4"))));
}

TEST_F(PortTableScan, AssignmentsKeepTheirNumbersBeforeOrAfterAScanAndFoundDevicesFillTheGaps) {
  Devices({"ttyUSB1", "ttyACM0", "ttyACM1"});
  table.Assign(2, "/dev/pts/7");
  table.Assign(5, "/dev/pts/9");
  table.Scan(dev, sys);
  table.Assign(4, Dev("ttyUSB1"));
  // ttyUSB1 is taken by its own path: it is not listed again.
  EXPECT_THAT(table.Entries(),
              ElementsAre(Pair(1, Dev("ttyACM0")), Pair(2, "/dev/pts/7"), Pair(3, Dev("ttyACM1")),
                          Pair(4, Dev("ttyUSB1")), Pair(5, "/dev/pts/9")));
}

TEST_F(PortTableScan, OnlyNumbersOneToSeventyAreFilledAndARescanReplacesWhatWasFound) {
  for (const int n : {0, -1, 71}) EXPECT_FALSE(table.Assign(n, "/dev/pts/0")) << n;
  EXPECT_TRUE(table.Assign(1, "/dev/pts/1"));
  EXPECT_TRUE(table.Assign(70, "/dev/pts/70"));
  for (int i = 0; i < 75; ++i) Devices({"ttyUSB" + std::to_string(i)});
  table.Scan(dev, sys);
  const auto entries = table.Entries();
  ASSERT_EQ(entries.size(), 70u);
  EXPECT_EQ(entries[1], std::make_pair(2, Dev("ttyUSB0")));
  EXPECT_EQ(entries[68], std::make_pair(69, Dev("ttyUSB67")));
  for (const int n : {0, 71}) EXPECT_EQ(table.PathOf(n), std::nullopt) << n;

  fs::remove(dev / "ttyUSB0");
  table.Scan(dev, sys);
  EXPECT_EQ(table.PathOf(2), Dev("ttyUSB1"));
  table.Scan(root / "absent", sys);
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, "/dev/pts/1"), Pair(70, "/dev/pts/70")));
}

TEST_F(PortTableScan, RescanFindsAnAdapterPluggedInSinceAndKeepsThePinnedNumbers) {
  Devices({"ttyUSB0"});
  table.Assign(1, "/dev/pts/1");
  table.Rescan();  // never scanned: nothing to look at again
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, "/dev/pts/1")));
  table.Scan(dev, sys);
  Devices({"ttyACM0"});
  table.Rescan();
  EXPECT_THAT(table.Entries(),
              ElementsAre(Pair(1, "/dev/pts/1"), Pair(2, Dev("ttyUSB0")), Pair(3, Dev("ttyACM0"))));
  EXPECT_TRUE(table.IsPinned(1));
  EXPECT_FALSE(table.IsPinned(2));
}

}  // namespace
}  // namespace qel
