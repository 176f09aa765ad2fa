#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "cli/CodeFile.h"
#include "cli/TickLoop.h"
#include "cli/TickLoopWindows.h"
#include "texts/PlatformTexts.h"
#include "texts/Utf8Path.h"

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

// The code file's name is UTF-8 inside the program; the C library's narrow fopen would read it in
// the ANSI code page and miss the file.
TEST(PlatformWindows, ACodeFileWithACzechNameIsRead) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / PathFromUtf8("kód-přístup.txt");
  std::ofstream(path, std::ios::binary) << "4719\r\n";
  std::FILE* file = OpenCodeFile(path);
  ASSERT_NE(file, nullptr);
  std::array<char, 8> read{};
  const std::size_t length = std::fread(read.data(), 1, read.size(), file);
  std::fclose(file);
  std::filesystem::remove(path);
  EXPECT_EQ(std::string(read.data(), length), "4719\r\n");
}

}  // namespace
}  // namespace qel::test
