// The key dialog's logic on the virtual clock: the reader poll, typed codes and the comment rules.
#include <gtest/gtest.h>

#include "tests/support/KeyDialogDriver.h"
#include "tests/support/KeyImages.h"
#include "tests/support/UnitRig.h"

namespace qel {
namespace {

using namespace std::chrono_literals;
using test::EightByteCode;

class KeyDialogLogic : public ::testing::Test {
 protected:
  KeyDialogLogic() {
    unit = &rig.AddUnit(1);
    EXPECT_TRUE(rig.Connect({4719, 1, 1, 1}));
    rig.timers.StopTimer(kWatchdogTimer);
  }
  KeyDialog Open(KeyDialogSetup setup = {}) {
    KeyDialog dialog(rig.controller.sequencer(), std::move(setup));
    driver.OpenAndRun(dialog, 0ms);
    return dialog;
  }

  test::UnitRig rig;
  sim::SimulatedUnit* unit = nullptr;
  test::KeyDialogDriver driver{rig.clock};
};

struct ReaderCase {
  KeyCode held;
  std::string shown;
};

class KeyDialogReader : public KeyDialogLogic, public ::testing::WithParamInterface<ReaderCase> {};

TEST_P(KeyDialogReader, ShowsAGoodCodeWithinTwoPollsAndKeepsIt) {
  KeyDialog dialog = Open();
  unit->HoldKey(GetParam().held);
  driver.RunFor(dialog, 100ms);  // the poll, then its reply
  EXPECT_EQ(driver.keyTexts.back(), GetParam().shown);
  unit->ReleaseKey();
  driver.RunFor(dialog, 500ms);
  EXPECT_EQ(driver.keyTexts.back(), GetParam().shown);
  EXPECT_EQ(dialog.keyCode() == GetParam().held, GetParam().shown != "------------");
}

KeyCode TwelveChars(std::string_view text) {
  KeyCode code{};
  for (std::size_t i = 0; i < code.size(); ++i) code[11 - i] = static_cast<std::uint8_t>(text[i]);
  return code;
}

INSTANTIATE_TEST_SUITE_P(Codes, KeyDialogReader,
                         ::testing::Values(ReaderCase{EightByteCode(5), KeyCodeToText(EightByteCode(5))},
                                           ReaderCase{TwelveChars("0123456789AB"), "0123456789AB"},
                                           ReaderCase{[] {
                                                        KeyCode c = EightByteCode(5);
                                                        c[7] ^= 0x40;
                                                        return c;
                                                      }(),
                                                      "------------"},
                                           ReaderCase{TwelveChars("0123456789AA"),
                                                      "------------"}));  // digits do not XOR to 0

TEST_F(KeyDialogLogic, EditModeKeepsItsCodeWhateverTheReaderHolds) {
  KeyDialogSetup edit;
  edit.addMode = false;
  edit.keyCode = EightByteCode(9);
  edit.floors = {1, 0, 0};
  KeyDialog dialog = Open(edit);
  unit->HoldKey(EightByteCode(5));
  driver.RunFor(dialog, 300ms);
  EXPECT_EQ(driver.keyTexts, std::vector<std::string>{KeyCodeToText(EightByteCode(9))});
  EXPECT_EQ(dialog.floors(), (Floors{1, 0, 0}));
}

TEST_F(KeyDialogLogic, TypedCodesAreJudgedWhenLeftAndAgainAtOk) {
  KeyDialog dialog = Open();
  dialog.ToggleManualEntry();
  EXPECT_EQ(driver.keyTexts.back(), "");
  const std::string good = KeyCodeToText(EightByteCode(7));
  std::string badCheck = good;
  badCheck[0] = badCheck[0] == '0' ? '1' : '0';
  dialog.OnKeyCodeLeft(badCheck);
  EXPECT_EQ(driver.messages, std::vector<std::string>{"Wrong key code!"});
  EXPECT_FALSE(dialog.Accept(badCheck, ""));
  EXPECT_EQ(driver.messages.size(), 2u);
  EXPECT_TRUE(dialog.Accept(good, ""));  // Enter in the box: never left, still taken
  EXPECT_EQ(dialog.keyCode(), EightByteCode(7));
  dialog.ToggleManualEntry();
  EXPECT_EQ(driver.keyTexts.back(), "------------");
  EXPECT_EQ(dialog.keyCode(), KeyCode{});
}

TEST_F(KeyDialogLogic, AllFloorsTogglesOnOddClicks) {
  KeyDialog dialog = Open();
  EXPECT_TRUE(dialog.ToggleAllFloors());
  EXPECT_FALSE(dialog.ToggleAllFloors());
}

TEST_F(KeyDialogLogic, ATimerThePlatformRefusesShowsTheBoxAndPollsNothing) {
  KeyDialog dialog(rig.controller.sequencer(), {});
  driver.timers.RefuseNextStart(KeyDialog::kTimerId);
  EXPECT_FALSE(dialog.Open(driver, driver.timers));
  EXPECT_EQ(rig.view.boxes.at(0).text, "Timer error!");
  EXPECT_EQ(driver.timers.RunningCount(), 0);
}

struct CommentRule {
  std::string comment;  // UTF-8
  int maxLength;
  std::string message;  // empty: accepted
};

class KeyDialogComment : public KeyDialogLogic, public ::testing::WithParamInterface<CommentRule> {};

TEST_P(KeyDialogComment, IsRefusedWithAMessageOrTakenInWindows1250) {
  const CommentRule& rule = GetParam();
  KeyDialogSetup setup;
  setup.maxCommentLength = rule.maxLength;
  KeyDialog dialog = Open(setup);
  dialog.OnCommentLeft(rule.comment);
  EXPECT_EQ(dialog.Accept("", rule.comment), rule.message.empty());
  const std::vector<std::string> expected = rule.message.empty()
                                                ? std::vector<std::string>{}
                                                : std::vector<std::string>{rule.message, rule.message};
  EXPECT_EQ(driver.messages, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, KeyDialogComment,
    ::testing::Values(
        CommentRule{"Čáp€", 4, ""},  // the limit counts Windows-1250 bytes
        CommentRule{"Čápy", 3, "Inserted comment is too long,\nmaximum comment length is 3 characters."},
        CommentRule{"A˙#2", 85, "The comment contains the character \"˙\" (U+02D9), which QEL cannot store."},
        CommentRule{"a\tb", 85, "The comment contains the character U+0009, which QEL cannot store."},
        CommentRule{"Ж", 85, "The comment contains the character \"Ж\" (U+0416), which QEL cannot store."}));

}  // namespace
}  // namespace qel
