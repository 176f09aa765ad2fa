#include "tests/ui/RecordingInteractions.h"

namespace qel::test {

void RecordingInteractions::ShowBox(QWidget*, QMessageBox::Icon icon, const QString& caption,
                                    const QString& text) {
  boxes.push_back({icon, caption, text});
}

std::optional<ConnectChoice> RecordingInteractions::AskConnect(QWidget*, const ConnectDialogSetup& setup) {
  connectQuestions.push_back(setup);
  return connectAnswer;
}

void RecordingInteractions::ShowAbout(QWidget*) { ++aboutShown; }

void RecordingInteractions::OpenPage(const QUrl& page) { pages.push_back(page); }

}  // namespace qel::test
