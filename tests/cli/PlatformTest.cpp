#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "cli/ConsoleView.h"
#include "cli/KymCommand.h"
#include "texts/PlatformTexts.h"

namespace qel::test {
namespace {

// Without a locale variable Windows' display language decides, by its primary language alone.
TEST(SystemLanguage, WindowsDisplayLanguageWhenNoLocaleVariableIsSet) {
  EXPECT_EQ(LocaleLanguage({nullptr, "", nullptr}), std::nullopt);
  EXPECT_EQ(LocaleLanguage({nullptr, "", "C"}), Language::English);
  const struct {
    unsigned short id;
    Language language;
  } rows[] = {{0x0405, Language::Czech},   {0x0005, Language::Czech},   {0x041b, Language::Czech},
              {0x0409, Language::English}, {0x0407, Language::English}, {0x0415, Language::English}};
  for (const auto& row : rows) EXPECT_EQ(LanguageOfWindowsUi(row.id), row.language) << std::hex << row.id;
}

// Linux keeps its help; the Windows help names no POSIX device, tool or folder but COM ports and
// the Windows folders, and keeps the rest.
TEST(SystemText, EachSystemGetsAHelpThatFitsIt) {
  EXPECT_EQ(ForSystem(Text::CtlBadArguments, TextSystem::Windows), Text::CtlBadArguments);
  for (const Language language : {Language::Czech, Language::English}) {
    for (const auto& [id, fit] : {std::pair{Text::CtlHelp, "%LOCALAPPDATA%\\qel-key\\backups"},
                                  std::pair{Text::KymHelp, "Windows"}}) {
      EXPECT_EQ(ForSystem(id, TextSystem::Posix), id);
      const std::string_view help = Tr(ForSystem(id, TextSystem::Windows), language);
      for (const char* unfit : {"/dev/", "chmod", " ps)", "~/", "locale", "lokalizaci"})
        EXPECT_EQ(help.find(unfit), std::string_view::npos) << unfit << " in\n" << help;
      EXPECT_NE(help.find(fit), std::string_view::npos) << help;
      EXPECT_TRUE(help.starts_with(Tr(id, language).substr(0, 40))) << help;
    }
  }
  EXPECT_NE(Tr(Text::CtlHelpWindows, Language::English).find("COM3 or \\\\.\\COM3"), std::string_view::npos);
}

// A bar drawn twice, the second time shorter, then a message in its place: with escapes each draw
// clears the line; without, blanks cover what the longer bar left, counted in characters.
TEST(ProgressBar, ARedrawnBarLeavesNothingBehind) {
  const std::string half = "Načítám [###############---------------] 50 %  1:00";  // 51 characters
  const std::string full = "Načítám [##############################] 100 %";       // 46 characters
  for (const auto& [escapes, drawn] :
       {std::pair{true, "\r\033[K" + half + "\r\033[K" + full + "\r\033[KHotovo\n"},
        std::pair{false, '\r' + half + '\r' + full + std::string(5, ' ') + '\r' + std::string(51, ' ') +
                             "\rHotovo\n"}}) {
    std::ostringstream err;
    std::istringstream in;
    ConsoleView view({.progressBar = true, .escapes = escapes}, err, in);
    view.ShowProgress("Načítám", 50, "1:00");
    view.ShowProgress("Načítám", 100, "");
    view.Message("Hotovo");
    EXPECT_EQ(err.str(), drawn) << "escapes " << escapes;
  }
}

}  // namespace
}  // namespace qel::test
