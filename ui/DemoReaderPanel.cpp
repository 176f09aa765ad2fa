#include "ui/DemoReaderPanel.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <chrono>
#include <string>

#include "sim/ConsoleCommands.h"
#include "ui/QtTexts.h"

namespace qel {
namespace {

QPushButton* Button(Text text, Language language, QWidget* parent) {
  auto* button = new QPushButton(QTr(text, language), parent);
  button->setAccessibleName(WithoutMnemonic(button->text()));
  return button;
}

QLabel* BuddyLabel(Text text, Language language, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QTr(text, language), parent);
  label->setTextFormat(Qt::PlainText);
  label->setBuddy(buddy);
  buddy->setAccessibleName(WithoutMnemonic(label->text()));
  return label;
}

}  // namespace

DemoReaderPanel::DemoReaderPanel(sim::PtyUnitServer& server, Language language)
    : QWidget(nullptr, Qt::Window), m_server(server), m_language(language) {
  setWindowTitle(QTr(Text::DemoReaderTitle, language));
  setObjectName(QStringLiteral("demoReaderPanel"));

  m_keyBox = new QComboBox(this);
  m_keyBox->setObjectName(QStringLiteral("demoReaderKeys"));
  m_keyBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  QLabel* keysLabel = BuddyLabel(Text::DemoReaderStoredKeys, language, m_keyBox, this);
  QPushButton* refresh = Button(Text::DemoReaderRefresh, language, this);

  m_seconds = new QSpinBox(this);
  m_seconds->setObjectName(QStringLiteral("demoReaderSeconds"));
  m_seconds->setRange(1, static_cast<int>(sim::kLongestHold.count()));
  m_seconds->setValue(static_cast<int>(sim::kDefaultHold.count()));
  QLabel* secondsLabel = BuddyLabel(Text::DemoReaderSeconds, language, m_seconds, this);

  QPushButton* hold = Button(Text::DemoReaderHold, language, this);
  hold->setObjectName(QStringLiteral("demoReaderHold"));
  hold->setDefault(true);
  QPushButton* newEight = Button(Text::DemoReaderNewEightByte, language, this);
  newEight->setObjectName(QStringLiteral("demoReaderNewEightByte"));
  QPushButton* newTwelve = Button(Text::DemoReaderNewTwelveChar, language, this);
  newTwelve->setObjectName(QStringLiteral("demoReaderNewTwelveChar"));

  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("demoReaderStatus"));
  m_status->setTextFormat(Qt::PlainText);
  m_status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

  auto* grid = new QGridLayout(this);
  grid->addWidget(keysLabel, 0, 0);
  grid->addWidget(m_keyBox, 0, 1, 1, 2);
  grid->addWidget(refresh, 0, 3);
  grid->addWidget(secondsLabel, 1, 0);
  grid->addWidget(m_seconds, 1, 1);
  grid->addWidget(hold, 2, 0);
  grid->addWidget(newEight, 2, 1);
  grid->addWidget(newTwelve, 2, 2, 1, 2);
  grid->addWidget(m_status, 3, 0, 1, 4);
  grid->setColumnStretch(2, 1);

  connect(refresh, &QPushButton::clicked, this, &DemoReaderPanel::RefreshKeys);
  connect(hold, &QPushButton::clicked, this, &DemoReaderPanel::HoldChosenKey);
  connect(newEight, &QPushButton::clicked, this, [this] { HoldNewKey(sim::NewKey::EightByte); });
  connect(newTwelve, &QPushButton::clicked, this, [this] { HoldNewKey(sim::NewKey::TwelveChar); });
}

void DemoReaderPanel::showEvent(QShowEvent* event) {
  RefreshKeys();
  QWidget::showEvent(event);
}

void DemoReaderPanel::changeEvent(QEvent* event) {
  // The program adds and deletes keys while the panel stands aside; coming back to it shows them.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) RefreshKeys();
  QWidget::changeEvent(event);
}

void DemoReaderPanel::RefreshKeys() {
  const QVariant chosen = m_keyBox->currentData();
  m_keys = m_server.StoredKeys();
  m_keyBox->clear();
  for (const sim::StoredKey& key : m_keys) {
    const QString id = QString::number(key.id);
    const QString comment = ToQString(key.comment);
    m_keyBox->addItem(comment.isEmpty() ? id : QStringLiteral("%1: %2").arg(id, comment), key.id);
  }
  m_keyBox->setCurrentIndex(std::max(0, m_keyBox->findData(chosen)));
  if (m_keys.empty()) m_status->setText(QTr(Text::DemoReaderNoKeys, m_language));
}

void DemoReaderPanel::HoldChosenKey() {
  const int index = m_keyBox->currentIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= m_keys.size()) return;
  const sim::StoredKey& key = m_keys[static_cast<std::size_t>(index)];
  Hold(key.code, key.keyText);
}

void DemoReaderPanel::HoldNewKey(sim::NewKey form) {
  const KeyCode code = *sim::ChooseKey(form, {}, m_random);
  Hold(code, KeyCodeToText(code));
}

void DemoReaderPanel::Hold(const KeyCode& code, const std::string& text) {
  const int seconds = m_seconds->value();
  m_server.HoldKeyFor(code, std::chrono::seconds{seconds});
  m_status->setText(
      ToQString(TrFormat(Text::DemoReaderHolding, m_language, {text, std::to_string(seconds)})));
}

}  // namespace qel
