#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "link/PortTable.h"

namespace qel {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

// A /dev and a /sys/class/tty of the test's own making.
class PortTableScan : public ::testing::Test {
 protected:
  PortTableScan()
      : root(fs::temp_directory_path() / ("qel-ports-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        dev(root / "dev"),
        sys(root / "sys") {
    fs::create_directories(dev);
    fs::create_directories(sys);
  }
  ~PortTableScan() override { fs::remove_all(root); }

  void Device(const std::string& name) { std::ofstream(dev / name).put('\0'); }
  void Uart(const std::string& name, const std::string& type) {
    fs::create_directories(sys / name);
    std::ofstream(sys / name / "type") << type << '\n';
  }
  std::string Dev(const std::string& name) const { return (dev / name).string(); }

  fs::path root;
  fs::path dev;
  fs::path sys;
  PortTable table;
};

TEST(PortTable, AssignsOnlyNumbersOneToSeventy) {
  PortTable table;
  EXPECT_FALSE(table.Assign(0, "/dev/pts/0"));
  EXPECT_FALSE(table.Assign(71, "/dev/pts/0"));
  EXPECT_FALSE(table.Assign(-1, "/dev/pts/0"));
  EXPECT_TRUE(table.Assign(1, "/dev/pts/1"));
  EXPECT_TRUE(table.Assign(70, "/dev/pts/70"));
  EXPECT_EQ(table.PathOf(1), "/dev/pts/1");
  EXPECT_EQ(table.PathOf(70), "/dev/pts/70");
  EXPECT_EQ(table.PathOf(0), std::nullopt);
  EXPECT_EQ(table.PathOf(2), std::nullopt);
  EXPECT_EQ(table.PathOf(71), std::nullopt);
}

TEST_F(PortTableScan, GroupsComeInFixedOrderEachInNumericOrder) {
  for (const char* name : {"ttyS0", "rfcomm1", "ttyACM0", "ttyUSB10", "ttyUSB2", "rfcomm0", "ttyS4"}) {
    Device(name);
  }
  Uart("ttyS0", "4");
  Uart("ttyS4", "4");
  table.Scan(dev, sys);
  EXPECT_THAT(table.Entries(),
              ElementsAre(Pair(1, Dev("ttyUSB2")), Pair(2, Dev("ttyUSB10")), Pair(3, Dev("ttyACM0")),
                          Pair(4, Dev("rfcomm0")), Pair(5, Dev("rfcomm1")), Pair(6, Dev("ttyS0")),
                          Pair(7, Dev("ttyS4"))));
}

TEST_F(PortTableScan, SerialNamesWithoutAUartBehindThemAreLeftOut) {
  for (const char* name : {"ttyS0", "ttyS1", "ttyS2"}) {
    Device(name);
  }
  Uart("ttyS0", "0");
  Uart("ttyS2", "4");
  table.Scan(dev, sys);
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, Dev("ttyS2"))));
}

TEST_F(PortTableScan, OtherNamesAndFoldersAreNoPorts) {
  for (const char* name : {"tty0", "ttyUSB", "ttySAC0", "ttyUSB1x", "null", "rfcomm"}) {
    Device(name);
  }
  fs::create_directories(dev / "ttyUSB3");
  table.Scan(dev, sys);
  EXPECT_THAT(table.Entries(), IsEmpty());
}

TEST_F(PortTableScan, AssignmentsKeepTheirNumbersAndFoundDevicesFillTheGaps) {
  Device("ttyUSB0");
  Device("ttyUSB1");
  Device("ttyACM0");
  table.Assign(2, "/dev/pts/7");
  table.Scan(dev, sys);
  table.Assign(4, Dev("ttyUSB1"));
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, Dev("ttyUSB0")), Pair(2, "/dev/pts/7"),
                                           Pair(3, Dev("ttyACM0")), Pair(4, Dev("ttyUSB1"))));
}

TEST_F(PortTableScan, ADeviceAssignedThroughALinkIsNotListedTwice) {
  Device("ttyUSB0");
  Device("ttyUSB1");
  fs::create_directories(root / "by-id");
  fs::create_symlink(dev / "ttyUSB0", root / "by-id" / "usb-adapter");
  table.Assign(5, (root / "by-id" / "usb-adapter").string());
  table.Scan(dev, sys);
  EXPECT_THAT(table.Entries(),
              ElementsAre(Pair(1, Dev("ttyUSB1")), Pair(5, (root / "by-id" / "usb-adapter").string())));
}

TEST_F(PortTableScan, NoMoreThanSeventyPorts) {
  for (int i = 0; i < 75; ++i) {
    Device("ttyUSB" + std::to_string(i));
  }
  table.Scan(dev, sys);
  const auto entries = table.Entries();
  ASSERT_EQ(entries.size(), 70u);
  EXPECT_EQ(entries.front(), std::make_pair(1, Dev("ttyUSB0")));
  EXPECT_EQ(entries.back(), std::make_pair(70, Dev("ttyUSB69")));
}

TEST_F(PortTableScan, ARescanForgetsDevicesThatWentAway) {
  Device("ttyUSB0");
  Device("ttyACM0");
  table.Scan(dev, sys);
  fs::remove(dev / "ttyUSB0");
  table.Scan(dev, sys);
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, Dev("ttyACM0"))));
}

TEST_F(PortTableScan, AMissingFolderFindsNothing) {
  table.Assign(1, "/dev/pts/3");
  table.Scan(root / "absent", sys);
  EXPECT_THAT(table.Entries(), ElementsAre(Pair(1, "/dev/pts/3")));
}

}  // namespace
}  // namespace qel
