#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <tuple>

#include "cli/ConsoleView.h"
#include "cli/KymCommand.h"
#include "texts/PlatformTexts.h"

namespace qel::test {
namespace {

struct WindowsLanguageRow {
  const char* name;
  unsigned short languageId;
  Language language;
};

class WindowsLanguageTest : public ::testing::TestWithParam<WindowsLanguageRow> {};

// Without a locale variable Windows' display language decides, by its primary language alone.
TEST_P(WindowsLanguageTest, ThePrimaryLanguageDecides) {
  EXPECT_EQ(LanguageOfWindowsUi(GetParam().languageId), GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(Ids, WindowsLanguageTest,
                         ::testing::Values(WindowsLanguageRow{"CzechCzechia", 0x0405, Language::Czech},
                                           WindowsLanguageRow{"CzechNeutral", 0x0005, Language::Czech},
                                           WindowsLanguageRow{"SlovakSlovakia", 0x041b, Language::Czech},
                                           WindowsLanguageRow{"EnglishUnitedStates", 0x0409,
                                                              Language::English},
                                           WindowsLanguageRow{"GermanGermany", 0x0407, Language::English},
                                           WindowsLanguageRow{"Polish", 0x0415, Language::English}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LocaleLanguage, NothingWhenNoVariableIsSetSoWindowsMayDecide) {
  EXPECT_EQ(LocaleLanguage({nullptr, nullptr, nullptr}), std::nullopt);
  EXPECT_EQ(LocaleLanguage({"", "", ""}), std::nullopt);
  EXPECT_EQ(LocaleLanguage({nullptr, nullptr, "C"}), Language::English);
  EXPECT_EQ(LocaleLanguage({nullptr, "", "cs_CZ.UTF-8"}), Language::Czech);
}

struct SystemTextRow {
  const char* name;
  Text text;
  TextSystem system;
  Text variant;
};

class SystemTextTest : public ::testing::TestWithParam<SystemTextRow> {};

TEST_P(SystemTextTest, EachSystemGetsItsVariant) {
  EXPECT_EQ(ForSystem(GetParam().text, GetParam().system), GetParam().variant);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SystemTextTest,
    ::testing::Values(
        SystemTextRow{"ControlHelpPosix", Text::CtlHelp, TextSystem::Posix, Text::CtlHelp},
        SystemTextRow{"ControlHelpWindows", Text::CtlHelp, TextSystem::Windows, Text::CtlHelpWindows},
        SystemTextRow{"KymHelpPosix", Text::KymHelp, TextSystem::Posix, Text::KymHelp},
        SystemTextRow{"KymHelpWindows", Text::KymHelp, TextSystem::Windows, Text::KymHelpWindows},
        SystemTextRow{"CommonText", Text::CtlBadArguments, TextSystem::Windows, Text::CtlBadArguments}),
    [](const auto& info) { return std::string(info.param.name); });

// The Windows help names no POSIX device, tool or folder, and keeps everything else of the help.
TEST(SystemText, TheWindowsHelpSpeaksOfComPortsAndWindowsFoldersOnly) {
  for (const Language language : {Language::Czech, Language::English}) {
    for (const auto& [posix, windows, fit] :
         {std::tuple{Text::CtlHelp, Text::CtlHelpWindows, "%LOCALAPPDATA%"},
          std::tuple{Text::KymHelp, Text::KymHelpWindows, "Windows"}}) {
      const std::string_view help = Tr(windows, language);
      for (const char* unfit : {"/dev/", "chmod", " ps)", "~/", "locale", "lokalizaci"})
        EXPECT_EQ(help.find(unfit), std::string_view::npos) << unfit << " in\n" << help;
      EXPECT_NE(help.find(fit), std::string_view::npos) << help;
      const std::string_view common = Tr(posix, language).substr(0, 40);
      EXPECT_TRUE(help.starts_with(common)) << help;
    }
    const std::string_view control = Tr(Text::CtlHelpWindows, language);
    for (const char* fit : {"COM3", "\\\\.\\COM3", "%LOCALAPPDATA%\\qel-key\\backups", "QEL_ACCESS_CODE"})
      EXPECT_NE(control.find(fit), std::string_view::npos) << fit << " not in\n" << control;
  }
}

struct BarRow {
  const char* name;
  bool escapes;
  std::string drawn;
};

class ProgressBarTest : public ::testing::TestWithParam<BarRow> {};

// A bar drawn twice, the second time shorter, then a message in its place: with escapes each draw
// clears the line; without, blanks cover what the longer bar left, counted in characters.
TEST_P(ProgressBarTest, ARedrawnBarLeavesNothingBehind) {
  std::ostringstream err;
  std::istringstream in;
  ConsoleSetup setup;
  setup.progressBar = true;
  setup.escapes = GetParam().escapes;
  ConsoleView view(setup, err, in);
  view.ShowProgress("Načítám", 50, "1:00");
  view.ShowProgress("Načítám", 100, "");
  view.Message("Hotovo");
  EXPECT_EQ(err.str(), GetParam().drawn);
}

const std::string kHalf = "Načítám [###############---------------] 50 %  1:00";  // 51 characters
const std::string kFull = "Načítám [##############################] 100 %";       // 46 characters

INSTANTIATE_TEST_SUITE_P(
    Terminals, ProgressBarTest,
    ::testing::Values(BarRow{"Escapes", true, "\r\033[K" + kHalf + "\r\033[K" + kFull + "\r\033[KHotovo\n"},
                      BarRow{"Blanks", false,
                             '\r' + kHalf + '\r' + kFull + std::string(5, ' ') + '\r' + std::string(51, ' ') +
                                 "\rHotovo\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
