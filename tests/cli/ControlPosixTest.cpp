#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "cli/TickLoop.h"
#include "files/CsvExport.h"
#include "link/PosixSerialDevice.h"
#include "sim/PtyUnitThread.h"
#include "tests/cli/ControlFixture.h"

namespace qel::test {
namespace {

// SIGINT (Ctrl+C) and SIGTERM (a service manager, kill) are counted alike. In a process of its
// own, since a signal stays counted for the rest of a run.
TEST(PlatformPosix, SigintAndSigtermCountAsInterrupts) {
  for (const int signal : {SIGINT, SIGTERM}) {
    EXPECT_EXIT(
        {
          TickLoop::CatchInterrupts();
          const bool before = TickLoop::Interrupted();
          std::raise(signal);
          std::cerr << "before " << before << ", after " << TickLoop::Interrupted();
          std::exit(0);
        },
        ::testing::ExitedWithCode(0), "before 0, after 1")
        << signal;
  }
}

// As ssh judges a private key: a code file that others may read is used, with a warning (the
// portable cases make sure a private one gets none).
TEST_F(ControlTest, ACodeFileOthersMayReadIsUsedWithAWarning) {
  std::ofstream(File("code")) << "4719\n";
  std::filesystem::permissions(File("code"),
                               std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
  const Outcome outcome = Run({"--code-file", File("code"), "info"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("chmod 600 " + File("code")), std::string::npos) << outcome.err;
}

// The program's own line and time against the unit served on a pseudo-terminal, in real time.
TEST_F(ControlTest, ExportsOverAPseudoTerminal) {
  auto simulated = std::make_unique<sim::SimulatedUnit>();
  simulated->LoadMemory(MemoryWithKeys(kDefaultRecordSize, 5));
  sim::PtyUnitThread served(std::move(simulated));
  ASSERT_TRUE(served.Start()) << served.LastError();
  PosixSerialDevice line;
  TickLoop::SystemTime realTime;
  const Outcome run =
      RunWith({line, realTime, localClock}, served.SlavePath(), {"--lang", "cs", "export", File("keys.csv")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadWhole(File("keys.csv")),
            CsvExportBytes(MemoryWithKeys(kDefaultRecordSize, 5), kDefaultRecordSize, Language::Czech));
}

}  // namespace
}  // namespace qel::test
