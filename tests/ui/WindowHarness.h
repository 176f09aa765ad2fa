#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <array>

#include "link/PosixSerialDevice.h"
#include "tests/ui/RecordingInteractions.h"
#include "texts/Cp1250.h"
#include "ui/CQelKeyDlg.h"
#include "ui/KeyListView.h"

namespace qel::test {

inline constexpr std::array kCommandButtons{"addKeysButton",  "editKeyButton", "deleteKeyButton",
                                            "settingsButton", "connectButton", "archiveButton"};

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

// Counts the sequencer's ticks: each one starts by taking the time.
class CountingClock final : public LocalClock {
 public:
  LocalTime Now() const override {
    ++reads;
    return {2026, 12, 6, 10, 30, 0};
  }
  mutable int reads = 0;
};

// The main window over a real serial port whose COM numbers the test assigns, with every modal
// question answered by the recorder.
class WindowHarness : public SerialWarnings {
 public:
  explicit WindowHarness(Language language) : window(port, clock, interactions, language) {}

  void ShowSerialWarning(std::string_view text) override { window.ShowSerialWarning(text); }

  template <typename T>
  T* Child(const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("the main window has no %s", name);
    return child;
  }
  void Click(const char* button) { QTest::mouseClick(Child<QAbstractButton>(button), Qt::LeftButton); }
  KeyListView* List() { return Child<KeyListView>("keyList"); }
  QString Log() { return Child<QPlainTextEdit>("log")->toPlainText(); }
  std::vector<int> TickedFloors() {
    std::vector<int> ticked;
    for (int floor = 1; floor <= 24; ++floor)
      if (Child<QCheckBox>(QStringLiteral("floor%1").arg(floor).toLatin1().constData())->isChecked())
        ticked.push_back(floor);
    return ticked;
  }
  // Records 0 and 2 hold keys, record 1 is free.
  void StoreTwoKeys() {
    KeyMemoryImage& image = window.controller().image();
    image.StoreRecord(0, Code(0x10), FloorsOf({1, 3}), Utf8ToCp1250("Správce").bytes);
    image.StoreRecord(2, Code(0x40), FloorsOf({2, 24}), Utf8ToCp1250("Nájemník 4").bytes);
    window.controller().RefillKeyList();
  }
  // Every text of the window that depends on the language.
  QStringList Texts() {
    QStringList texts;
    for (const char* name : kCommandButtons) texts << Child<QPushButton>(name)->text();
    texts << Child<QPushButton>("helpButton")->text() << Child<QPushButton>("languageButton")->text()
          << Child<QGroupBox>("floorsPanel")->title() << Child<QLabel>("settingsLine")->text()
          << Child<QLabel>("elevatorNameLine")->text();
    for (int column = 0; column < 3; ++column)
      texts << List()->model()->headerData(column, Qt::Horizontal).toString();
    for (QWidget* control :
         window.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^(?!qt_)[a-z]"))))
      texts << control->accessibleName();
    return texts;
  }

  PortTable ports;
  PosixSerialDevice device;
  CSerialPort port{device, ports, *this};
  CountingClock clock;
  RecordingInteractions interactions;
  CQelKeyDlg window;
};

inline ConnectChoice ManualPort(int number) {
  ConnectChoice choice;
  choice.manualPort = 1;
  choice.port = number;
  return choice;
}

}  // namespace qel::test
