#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <iostream>

#include "cli/TickLoop.h"
#include "cli/TickLoopWindows.h"
#include "texts/PlatformTexts.h"

namespace qel::test {
namespace {

TEST(PlatformWindows, TheHelpIsTheWindowsOne) {
  EXPECT_EQ(ThisTextSystem(), TextSystem::Windows);
  for (const Language language : {Language::Czech, Language::English}) {
    EXPECT_EQ(TrHere(Text::CtlHelp, language), Tr(Text::CtlHelpWindows, language));
    EXPECT_EQ(TrHere(Text::KymHelp, language), Tr(Text::KymHelpWindows, language));
  }
}

// Ctrl+C and Ctrl+Break are the program's to count; a logoff is not. In a process of its own,
// since a press stays counted for the rest of a run.
TEST(PlatformWindows, CtrlCAndCtrlBreakCountAsInterrupts) {
  EXPECT_EXIT(
      {
        const bool logoffPassed = OnConsoleEvent(CTRL_LOGOFF_EVENT) == FALSE && !TickLoop::Interrupted();
        const bool breakTaken = OnConsoleEvent(CTRL_BREAK_EVENT) == TRUE && TickLoop::Interrupted();
        const bool ctrlCTaken = OnConsoleEvent(CTRL_C_EVENT) == TRUE;
        std::cerr << "logoff passed " << logoffPassed << ", break taken " << breakTaken << ", ctrl-c taken "
                  << ctrlCTaken;
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "logoff passed 1, break taken 1, ctrl-c taken 1");
}

}  // namespace
}  // namespace qel::test
