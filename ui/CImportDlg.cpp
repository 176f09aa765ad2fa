#include "ui/CImportDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QTableView>
#include <QVBoxLayout>

#include "keystore/FloorList.h"
#include "texts/Cp1250.h"
#include "ui/QtTexts.h"

namespace qel {
namespace {

QStandardItemModel* KeysModel(const ImportPlan& plan, Language language, QObject* parent) {
  const QStringList header = QTr(Text::ImportKeysHeader, language).split('\t');
  auto* model =
      new QStandardItemModel(static_cast<int>(plan.keys.size()), static_cast<int>(header.size()), parent);
  model->setHorizontalHeaderLabels(header);
  int row = 0;
  for (const PlannedKey& key : plan.keys) {
    const QStringList cells = {QString::number(key.id), ToQString(Cp1250ToUtf8(key.key.comment)),
                               ToQString(KeyCodeToText(key.key.code)),
                               ToQString(PrintedFloorList(key.key.floors))};
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QStandardItem(cells[column]);
      item->setEditable(false);
      model->setItem(row, column, item);
    }
    ++row;
  }
  return model;
}

}  // namespace

CImportDlg::CImportDlg(const ImportPlan& plan, Language language, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QTr(Text::ImportCaption, language));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* summary = new QLabel(ToQString(ImportSummary(plan, language)), this);
  summary->setObjectName(QStringLiteral("importSummary"));
  summary->setWordWrap(true);

  auto* keys = new QTableView(this);
  keys->setObjectName(QStringLiteral("importKeys"));
  keys->setModel(KeysModel(plan, language, keys));
  keys->setAccessibleName(summary->text());
  keys->verticalHeader()->hide();
  keys->setSelectionBehavior(QAbstractItemView::SelectRows);
  keys->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  keys->horizontalHeader()->setStretchLastSection(true);

  auto* column = new QVBoxLayout(this);
  column->addWidget(summary);
  column->addWidget(keys, 3);

  if (!plan.skipped.empty()) {
    QStringList reasons;
    for (const ImportSkip& skip : plan.skipped) reasons << ToQString(ImportSkipMessage(skip, language));
    auto* skippedLabel = new QLabel(QTr(Text::ImportSkippedHeader, language), this);
    auto* skipped = new QListView(this);
    skipped->setObjectName(QStringLiteral("importSkipped"));
    skipped->setModel(new QStringListModel(reasons, skipped));
    skipped->setEditTriggers(QAbstractItemView::NoEditTriggers);
    skipped->setAccessibleName(skippedLabel->text());
    skippedLabel->setBuddy(skipped);
    column->addWidget(skippedLabel);
    column->addWidget(skipped, 1);
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setText(QTr(Text::ButtonOk, language));
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  cancel->setText(QTr(Text::ButtonCancel, language));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
  resize(640, 420);
}

bool RunImportPreview(QWidget* parent, Language language, const ImportPlan& plan) {
  CImportDlg preview(plan, language, parent);
  preview.setWindowModality(Qt::WindowModal);
  return preview.exec() == QDialog::Accepted;
}

}  // namespace qel
