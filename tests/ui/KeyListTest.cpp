#include <QAbstractItemModelTester>
#include <QBrush>
#include <QFont>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "tests/ui/UiTests.h"
#include "ui/KeyListModel.h"
#include "ui/KeyListView.h"

namespace qel::test {
namespace {

const QColor kAmber(255, 191, 0);

std::vector<KeyListRow> ThreeKeys() {
  return {{0, "Údržba – strojovna", "0123456789AB"},
          {2, "Nájemník 4. patro", "1122334455667788"},
          {7, "", "ABCDEF"}};
}

class KeyListTest : public QObject {
  Q_OBJECT

 private slots:
  void passesTheModelTesterThroughEveryChange() {
    KeyListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.SetRows(ThreeKeys());
    model.SetHighlighted(1, true);
    model.SetHighlighted(1, false);
    model.SetHeaders(Language::Czech);
    model.SetRows({});
    model.SetRows(ThreeKeys());
    QCOMPARE(model.rowCount(), 3);
  }

  void showsIdCommentAndKeyCodeOfEachRow() {
    KeyListModel model;
    model.SetRows(ThreeKeys());
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.index(1, KeyListModel::IdColumn).data().toString(), QStringLiteral("2"));
    QCOMPARE(model.index(0, KeyListModel::CommentColumn).data().toString(),
             QStringLiteral("Údržba – strojovna"));
    QCOMPARE(model.index(1, KeyListModel::KeyColumn).data().toString(), QStringLiteral("1122334455667788"));
    QCOMPARE(model.index(2, KeyListModel::CommentColumn).data().toString(), QString());
  }

  void answersNothingOutsideItsRows() {
    KeyListModel model;
    model.SetRows(ThreeKeys());
    const QModelIndex valid = model.index(0, 0);
    QCOMPARE(model.rowCount(valid), 0);
    QCOMPARE(model.columnCount(valid), 0);
    QVERIFY(!model.index(3, 0).isValid());
    QVERIFY(!model.data(QModelIndex()).isValid());
    QCOMPARE(model.flags(QModelIndex()), Qt::NoItemFlags);
    QVERIFY(!model.headerData(3, Qt::Horizontal).isValid());
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
  }

  void headersFollowTheLanguageAndIdStays() {
    KeyListModel model;
    QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
    model.SetHeaders(Language::Czech);
    QCOMPARE(headers.count(), 1);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("ID:"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Komentář:"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Klíč:"));
    model.SetHeaders(Language::English);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("ID:"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Comment:"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Key:"));
  }

  void highlightMarksOneWholeRowBoldOnAmber() {
    KeyListModel model;
    model.SetRows(ThreeKeys());
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.SetHighlighted(1, true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toModelIndex(), model.index(1, 0));
    QCOMPARE(changed[0][1].toModelIndex(), model.index(1, 2));
    for (int column = 0; column < 3; ++column) {
      const QModelIndex cell = model.index(1, column);
      QVERIFY(cell.data(KeyListModel::HighlightRole).toBool());
      QCOMPARE(cell.data(Qt::BackgroundRole).value<QBrush>().color(), kAmber);
      QVERIFY(cell.data(Qt::FontRole).value<QFont>().bold());
    }
    for (int row : {0, 2}) {
      QVERIFY(!model.index(row, 0).data(KeyListModel::HighlightRole).toBool());
      QVERIFY(!model.index(row, 0).data(Qt::BackgroundRole).isValid());
      QVERIFY(!model.index(row, 0).data(Qt::FontRole).isValid());
    }
    QVERIFY(model.IsHighlighted(1));

    model.SetHighlighted(1, true);
    QCOMPARE(changed.count(), 1);
    model.SetHighlighted(1, false);
    QCOMPARE(changed.count(), 2);
    QVERIFY(!model.index(1, 0).data(Qt::BackgroundRole).isValid());
  }

  void highlightOfRowsTheListLacksIsIgnored() {
    KeyListModel model;
    model.SetRows(ThreeKeys());
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.SetHighlighted(-1, true);
    model.SetHighlighted(3, true);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!model.IsHighlighted(3));
  }

  void refillDropsTheHighlight() {
    KeyListModel model;
    model.SetRows(ThreeKeys());
    model.SetHighlighted(2, true);
    model.SetRows(ThreeKeys());
    QVERIFY(!model.IsHighlighted(2));
  }

  void viewHighlightSelectsAndScrollsAndRemovalDeselects() {
    KeyListModel model;
    KeyListView view(model);
    view.resize(600, 120);
    std::vector<KeyListRow> many;
    for (int id = 0; id < 200; ++id) many.push_back({id, "comment", "00000000"});
    model.SetRows(many);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    view.SetRowHighlight(150, true);
    QVERIFY(model.IsHighlighted(150));
    QCOMPARE(view.FirstSelectedRow(), std::optional<int>(150));
    QCOMPARE(view.currentIndex().row(), 150);
    QVERIFY(view.viewport()->rect().contains(view.visualRect(model.index(150, 0))));

    view.SetRowHighlight(150, false);
    QVERIFY(!model.IsHighlighted(150));
    QCOMPARE(view.FirstSelectedRow(), std::nullopt);

    view.SetRowHighlight(200, true);
    QCOMPARE(view.FirstSelectedRow(), std::nullopt);
  }

  void highlightedRowStaysAmberWhileSelected() {
    KeyListModel model;
    KeyListView view(model);
    view.resize(600, 200);
    model.SetRows(ThreeKeys());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto colourOf = [&](int row) {
      const QRect cell = view.visualRect(model.index(row, KeyListModel::KeyColumn));
      return view.viewport()->grab().toImage().pixelColor(cell.right() - 4, cell.center().y());
    };
    const QColor plain = colourOf(2);

    view.SetRowHighlight(0, true);
    QVERIFY(view.selectionModel()->isRowSelected(0, {}));
    QCOMPARE(colourOf(0), kAmber);

    view.selectionModel()->select(model.index(1, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QColor selected = colourOf(1);
    QVERIFY(selected != kAmber);
    QVERIFY(selected != plain);
  }

  void notificationsFollowTheOperatorsActions() {
    KeyListModel model;
    KeyListView view(model);
    model.SetRows(ThreeKeys());
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QSignalSpy clicked(&view, &KeyListView::listClicked);
    QSignalSpy focused(&view, &KeyListView::listFocused);
    QSignalSpy keyPressed(&view, &KeyListView::listKeyPressed);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.index(1, 1)).center());
    QCOMPARE(clicked.count(), 1);
    // The core reads the selection the click left.
    QCOMPARE(view.FirstSelectedRow(), std::optional<int>(1));

    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, view.visualRect(model.index(2, 1)).center());
    QCOMPARE(clicked.count(), 1);

    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(keyPressed.count(), 1);
    QCOMPARE(view.FirstSelectedRow(), std::optional<int>(2));

    view.clearFocus();
    const int focusBefore = static_cast<int>(focused.count());
    view.setFocus(Qt::TabFocusReason);
    QCOMPARE(focused.count(), focusBefore + 1);
  }
};

}  // namespace

int RunKeyListTests(int argc, char** argv) {
  KeyListTest test;
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qel::test

#include "KeyListTest.moc"
