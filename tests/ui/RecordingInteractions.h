#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

#include "ui/WindowInteractions.h"

namespace qel::test {

// Answers every question of the main window at once and remembers what was asked.
class RecordingInteractions final : public WindowInteractions {
 public:
  struct Box {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
  };

  void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) override;
  std::optional<ConnectChoice> AskConnect(QWidget* parent, const ConnectDialogSetup& setup) override;
  void ShowAbout(QWidget* parent) override;
  void OpenPage(const QUrl& page) override;

  // What AskConnect answers; none = Cancel.
  std::optional<ConnectChoice> connectAnswer;

  std::vector<Box> boxes;
  std::vector<ConnectDialogSetup> connectQuestions;
  int aboutShown = 0;
  std::vector<QUrl> pages;
};

}  // namespace qel::test
