#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "link/PosixSerialDevice.h"
#include "texts/Cp1250.h"
#include "ui/CQelKeyDlg.h"
#include "ui/KeyListView.h"
#include "ui/WindowInteractions.h"

namespace qel::test {

inline constexpr std::array kCommandButtons{"addKeysButton",  "editKeyButton", "deleteKeyButton",
                                            "settingsButton", "connectButton", "archiveButton"};

template <typename T>
T* ChildOf(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) qFatal("%s has no %s", parent.metaObject()->className(), name);
  return child;
}

inline KeyCode Code(std::uint8_t first) {
  KeyCode code{};
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(first + i);
  return code;
}

inline Floors FloorsOf(std::initializer_list<int> floors) {
  Floors bits{};
  for (int floor : floors) SetFloor(bits, floor, true);
  return bits;
}

inline ConnectChoice ManualPort(int number) { return {.manualPort = 1, .port = number}; }

// The floors from 1 to 24 for which `ticked` holds, as "2 24".
inline QString FloorList(const std::function<bool(int)>& ticked) {
  QStringList floors;
  for (int floor = 1; floor <= 24; ++floor)
    if (ticked(floor)) floors << QString::number(floor);
  return floors.join(' ');
}

// The floor boxes ticked in a window or dialog.
inline QString TickedFloors(const QWidget& parent) {
  return FloorList([&](int floor) {
    return ChildOf<QCheckBox>(parent, qPrintable(QStringLiteral("floor%1").arg(floor)))->isChecked();
  });
}

// The controls of `parent` that a screen reader could not name.
inline QStringList Unnamed(const QWidget& parent) {
  QStringList unnamed;
  for (const QWidget* control :
       parent.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^(?!qt_).+"))))
    if (control->accessibleName().isEmpty()) unnamed << control->objectName();
  return unnamed;
}

// The caption and the texts (or titles) of the named controls not hidden but `skipped`, as
// "QEL key/ID/7".
inline QString Captions(const QWidget& dialog, const QString& skipped = {}) {
  QStringList texts{dialog.windowTitle()};
  for (const QWidget* control :
       dialog.findChildren<QWidget*>(QRegularExpression("(Label|Box|Button|Group)$")))
    if (!control->isHidden() && control->objectName() != skipped)
      texts << control->property("title").toString() + control->property("text").toString();
  return texts.join('/');
}

// A named control's state for a test's notes: a check or radio button ticked (x) or not (_), else
// its text; ! when it is switched off.
inline QString StateOf(const QWidget& control) {
  const auto* button = qobject_cast<const QAbstractButton*>(&control);
  const QString state = button && button->isCheckable() ? QString(button->isChecked() ? "x" : "_")
                                                        : control.property("text").toString();
  return state + (control.isEnabled() ? "" : "!");
}

// Does the steps on `dialog` in turn: "name" clicks the control, "box=text" puts the text in the
// box and "box:text" types it (both into an emptied box), "%name" notes the control's state in
// `notes`, and an OK the dialog refuses notes @ and where the focus went. Any other step (not
// starting in lower case) is left to `other`.
inline void DoSteps(QWidget& dialog, const QString& steps, QStringList& notes,
                    const std::function<void(const QString&)>& other = {}) {
  for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
    const qsizetype at = step.indexOf(QRegularExpression(QStringLiteral("[=:]")));
    if (step.startsWith('%')) {
      notes << StateOf(*ChildOf<QWidget>(dialog, qPrintable(step.mid(1))));
    } else if (!step.front().isLower()) {
      other(step);
    } else if (at > 0) {
      auto* box = ChildOf<QLineEdit>(dialog, qPrintable(step.left(at)));
      box->clear();
      if (step[at] == '=')
        box->setText(step.mid(at + 1));
      else
        QTest::keyClicks(box, step.mid(at + 1));
    } else {
      auto* control = ChildOf<QWidget>(dialog, qPrintable(step));
      const bool refusable = step == "okButton" && control->isEnabled();
      QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, 6));
      if (refusable && dialog.isVisible()) notes << '@' + QApplication::focusWidget()->objectName();
    }
  }
}

// The far end of a serial line: it answers every write with `reply`, or with nothing once silent.
struct ReplyingLine final : SerialDevice {
  SerialResult Open(const std::string&) override { return SerialResult::Ok; }
  SerialResult ConfigureLine() override { return SerialResult::Ok; }
  SerialResult ApplyTimeouts() override { return SerialResult::Ok; }
  int Read(std::span<std::uint8_t> out) override {
    std::copy_n(reply.begin(), pending, out.begin());
    return static_cast<int>(std::exchange(pending, 0));
  }
  bool Write(std::span<const std::uint8_t>) override {
    ++writes;
    pending = silent ? 0 : reply.size();
    return true;
  }
  void Purge() override {}
  void Close() override {}
  bool IsOpen() const override { return true; }
  std::string LastError() const override { return {}; }
  std::vector<std::uint8_t> reply;
  bool silent = false;
  std::size_t pending = 0;
  int writes = 0;
};

// Answers every question of the main window at once and remembers what was asked.
class RecordingInteractions final : public WindowInteractions {
 public:
  void ShowBox(QWidget*, QMessageBox::Icon icon, const QString& caption, const QString& text) override {
    boxes << QStringLiteral("%1|%2|%3").arg(icon).arg(caption, text);
  }
  std::optional<ConnectChoice> AskConnect(QWidget*, const ConnectDialogSetup& setup) override {
    connectQuestions.push_back(setup);
    return connectAnswer;
  }
  // Records what the dialog was given and cancels it without showing it, unless a test runs the
  // dialog itself.
  KeyDialogEnd RunKeyDialog(QWidget* parent, KeyDialog& dialog) override {
    keyDialogs.push_back(dialog.setup());
    return runKeyDialog ? runKeyDialog(parent, dialog) : KeyDialogEnd::Cancel;
  }
  // Notes the settings and archive dialogs and closes them (the settings one cancelled) unshown.
  bool RunSettingsDialog(QWidget*, SettingsDialog&) override { return otherDialogs << "settings", false; }
  void RunArchiveDialog(QWidget*, ArchiveDialog&) override { otherDialogs << "archive"; }
  std::optional<std::filesystem::path> AskSaveFile(QWidget*, const QString&, const QString&,
                                                   const QString&) override {
    return std::nullopt;
  }
  std::optional<FloorChange> AskFloorChange(QWidget*, Language, int keys) override {
    floorChangeKeys.push_back(keys);
    return std::nullopt;
  }
  // Answers No.
  bool AskYesNo(QWidget*, const QString& caption, const QString& text, Language, DefaultAnswer) override {
    questions << caption + '|' + text;
    return false;
  }
  void ShowAbout(QWidget*, Language language) override { abouts.push_back(language); }
  bool OpenPage(const QUrl& page) override {
    pages.push_back(page);
    return pageOpens;
  }

  // What AskConnect answers; none = Cancel.
  std::optional<ConnectChoice> connectAnswer;
  std::function<KeyDialogEnd(QWidget*, KeyDialog&)> runKeyDialog;
  std::vector<KeyDialogSetup> keyDialogs;
  QStringList otherDialogs;
  // caption|text of each question.
  QStringList questions;
  // icon|caption|text of each box.
  QStringList boxes;
  std::vector<ConnectDialogSetup> connectQuestions;
  std::vector<Language> abouts;
  // How many keys each floor change dialog was given; each was cancelled.
  std::vector<int> floorChangeKeys;
  std::vector<QUrl> pages;
  // Whether the desktop shows a page; false as on a machine without a browser.
  bool pageOpens = true;
};

// Counts the sequencer's ticks: each one starts by taking the time.
class CountingClock final : public LocalClock {
 public:
  LocalTime Now() const override {
    ++reads;
    return {2026, 12, 6, 10, 30, 0};
  }
  mutable int reads = 0;
};

// The main window over a real serial port whose COM numbers the test assigns, or over `line` as
// COM1, with every modal question answered by the recorder.
class WindowHarness : public SerialWarnings {
 public:
  explicit WindowHarness(Language language, bool overLine = false)
      : port(overLine ? static_cast<SerialDevice&>(line) : device, ports, *this),
        window(port, clock, interactions, language) {
    if (overLine && ports.Assign(1, "line")) port.Open(1);
  }
  // Closing on an open link would say goodbye to a unit that is not there.
  ~WindowHarness() override { window.controller().sequencer().LinkClosed(); }

  void ShowSerialWarning(std::string_view text) override { window.ShowSerialWarning(text); }
  // As if a unit had logged in: the link open and the commands of a connected unit enabled.
  Sequencer& Connect() {
    Sequencer& sequencer = window.controller().sequencer();
    sequencer.LinkOpened();
    sequencer.LinkAccepted();
    sequencer.EnableCommands();
    return sequencer;
  }

  template <typename T>
  T* Child(const char* name) {
    return ChildOf<T>(window, name);
  }
  bool Show() {
    window.show();
    return QTest::qWaitForWindowActive(&window);
  }
  void Click(const char* button) { QTest::mouseClick(Child<QAbstractButton>(button), Qt::LeftButton); }
  KeyListView* List() { return Child<KeyListView>("keyList"); }
  QString Log() { return Child<QPlainTextEdit>("log")->toPlainText(); }
  QCheckBox* Floor(int floor) {
    return Child<QCheckBox>(QStringLiteral("floor%1").arg(floor).toLatin1().constData());
  }
  // Records 0 and 2 hold keys, record 1 is free.
  void StoreTwoKeys() {
    KeyMemoryImage& image = window.controller().image();
    image.StoreRecord(0, Code(0x10), FloorsOf({1, 3}), Utf8ToCp1250("Správce").bytes);
    image.StoreRecord(2, Code(0x40), FloorsOf({2, 24}), Utf8ToCp1250("Nájemník 4").bytes);
    window.controller().RefillKeyList();
  }
  // Every text of the window that depends on the language: the captions, the list headers, the
  // settings line last, then the accessible name of every named control.
  QStringList Texts() {
    QStringList texts;
    for (const char* name : kCommandButtons) texts << Child<QPushButton>(name)->text();
    texts << Child<QPushButton>("helpButton")->text() << Child<QPushButton>("languageButton")->text()
          << Child<QGroupBox>("floorsPanel")->title() << Child<QLabel>("elevatorNameLine")->text();
    for (int column = 0; column < 3; ++column)
      texts << List()->model()->headerData(column, Qt::Horizontal).toString();
    texts << Child<QLabel>("settingsLine")->text();
    for (QWidget* control :
         window.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^(?!qt_)[a-z]"))))
      texts << control->accessibleName();
    return texts;
  }

  PortTable ports;
  PosixSerialDevice device;
  ReplyingLine line;
  CSerialPort port;
  CountingClock clock;
  RecordingInteractions interactions;
  CQelKeyDlg window;
};

}  // namespace qel::test
