// The port table on Windows: COM n is the system's COM n.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "link/PortTable.h"

namespace qel {
namespace {

TEST(PortTableWindows, ComNIsTheDeviceComNUnlessItsNumberIsAssigned) {
  PortTable table;
  table.Assign(3, "\\\\.\\CNCA0");
  table.Scan();
  table.Assign(5, "COM9");
  ASSERT_EQ(table.Entries().size(), 70u);
  for (const auto& [number, path] : std::map<int, std::string>{
           {1, "\\\\.\\COM1"}, {3, "\\\\.\\CNCA0"}, {4, "\\\\.\\COM4"}, {5, "COM9"}, {70, "\\\\.\\COM70"}})
    EXPECT_EQ(table.PathOf(number), path) << number;
}

TEST(PortTableWindows, APathIsAPortOnlyWhenTheSystemKnowsTheDeviceName) {
  EXPECT_EQ(PortTable::PathProblem("NUL"), "");
  EXPECT_EQ(PortTable::PathProblem("\\\\.\\NUL"), "");
  EXPECT_NE(PortTable::PathProblem("\\\\.\\QELNOSUCHPORT"), "");
  EXPECT_NE(PortTable::PathProblem("C:\\Windows"), "");
}

}  // namespace
}  // namespace qel
