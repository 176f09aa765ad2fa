#pragma once

#include <QWidget>
#include <random>
#include <string>
#include <vector>

#include "keystore/KeyCode.h"
#include "sim/ConsoleCommands.h"
#include "sim/PtyUnitServer.h"
#include "texts/Language.h"

class QComboBox;
class QLabel;
class QSpinBox;

namespace qel {

// The demo unit's reader as a window of its own: the person at the lift holds one of the unit's
// keys, or a new one, at the reader for a few seconds. A top-level window, so that the main
// window's modal dialogs, which wait for such a key, leave it usable. It reaches the unit, which
// is served on another thread, only through the server's calls that allow any thread.
class DemoReaderPanel final : public QWidget {
  Q_OBJECT

 public:
  DemoReaderPanel(sim::PtyUnitServer& server, Language language);

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Reads the unit's keys again, keeping the chosen one chosen.
  void RefreshKeys();
  void HoldChosenKey();
  void HoldNewKey(sim::NewKey form);
  // `text` is the code as the key list shows it (UTF-8).
  void Hold(const KeyCode& code, const std::string& text);

  sim::PtyUnitServer& m_server;
  Language m_language;
  std::mt19937 m_random{std::random_device{}()};
  std::vector<sim::StoredKey> m_keys;
  QComboBox* m_keyBox = nullptr;
  QSpinBox* m_seconds = nullptr;
  QLabel* m_status = nullptr;
};

}  // namespace qel
