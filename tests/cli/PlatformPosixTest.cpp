#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "cli/KymCommand.h"
#include "cli/TickLoop.h"
#include "texts/PlatformTexts.h"

namespace qel::test {
namespace {

// The help on Linux is the one that names /dev devices and the XDG folder, byte for byte.
TEST(PlatformPosix, TheHelpIsThePosixOne) {
  EXPECT_EQ(ThisTextSystem(), TextSystem::Posix);
  EXPECT_EQ(TrHere(Text::CtlHelp, Language::English), Tr(Text::CtlHelp, Language::English));
  const std::vector<std::string_view> help{"--help"};
  std::ostringstream out;
  std::ostringstream err;
  RunKym(help, Language::Czech, out, err);
  EXPECT_EQ(out.str(), Tr(Text::KymHelp, Language::Czech));
}

// SIGTERM, as a service manager or kill sends it, is counted as Ctrl+C is. In a process of its
// own, since it stays counted for the rest of a run.
TEST(PlatformPosix, SigtermCountsAsAnInterrupt) {
  EXPECT_EXIT(
      {
        TickLoop::CatchInterrupts();
        const bool before = TickLoop::Interrupted();
        std::raise(SIGTERM);
        std::cerr << "before " << before << ", after " << TickLoop::Interrupted();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "before 0, after 1");
}

}  // namespace
}  // namespace qel::test
