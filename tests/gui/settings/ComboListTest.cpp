#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "SrcComboListCtrl/ComboListCtrl.h"
#include "SrcComboListCtrl/InPlaceCombo.h"
#include "SrcComboListCtrl/InPlaceEdit.h"
#include "Suites.h"

using combolist::ComboListCtrl;
using combolist::InPlaceCombo;
using combolist::InPlaceEdit;

namespace {

struct RecordingOwner : combolist::ComboListOwner {
    QStringList items;
    QList<int> choiceKeys;
    QList<combolist::CellEditRecord> edits;
    void OnCellChoices(ComboListCtrl&, int key, QStringList& out) override {
        choiceKeys << key;
        out = items;
    }
    void OnCellEdited(const combolist::CellEditRecord& record) override { edits << record; }
};

}  // namespace

class ComboListTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<QWidget> window_;
    ComboListCtrl* list_ = nullptr;
    RecordingOwner owner_;

    QPoint CellCentre(int row, int column) {
        return QRect(list_->columnViewportPosition(column), list_->rowViewportPosition(row),
                     list_->columnWidth(column), list_->rowHeight(row))
            .center();
    }
    void Click(int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, modifiers, CellCentre(row, column));
    }
    bool EditOpen() { return InPlaceEdit::Exists() && InPlaceEdit::GetInstance()->Editing(); }
    bool ComboOpen() { return InPlaceCombo::Exists() && InPlaceCombo::GetInstance()->Editing(); }

  private slots:
    void init() {
        window_ = std::make_unique<QWidget>();
        window_->resize(400, 300);
        auto* other = new QLineEdit(window_.get());
        other->setObjectName("other");
        other->setGeometry(0, 260, 100, 24);
        list_ = new ComboListCtrl(window_.get());
        list_->setGeometry(0, 0, 400, 250);
        list_->setColumnCount(3);
        list_->setColumnWidth(0, 60);
        list_->setColumnWidth(1, 150);
        list_->setColumnWidth(2, 100);
        list_->SetReadOnlyColumn(0, true);
        list_->SetReadOnlyColumn(1, true);
        list_->SetChoiceCell(2, 3, true);
        list_->SetChoiceCell(2, 4, true);
        list_->SetOwner(&owner_, 7);
        for (int i = 0; i < 5; ++i) list_->AppendRow({QString::number(i + 1), "name", QString("v%1").arg(i)});
        list_->SetCellText(4, 2, "");
        owner_ = RecordingOwner{};
        owner_.items = {"Alpha", "beta", "Bravo"};
        window_->show();
        QApplication::setActiveWindow(window_.get());
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        other->setFocus();
    }
    void cleanup() { window_.reset(); }

    void clickOutsideEveryCellDoesNothing() {
        const QPoint belowRows(20, list_->rowViewportPosition(4) + list_->rowHeight(4) + 20);
        const QPoint rightOfColumns(60 + 150 + 100 + 20, CellCentre(0, 0).y());
        for (const QPoint& point : {belowRows, rightOfColumns}) {
            QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, point);
            QVERIFY(!list_->hasFocus());
            QVERIFY(list_->selectionModel()->selectedRows().isEmpty());
        }
        QVERIFY(!EditOpen());
    }

    void readOnlyAndModifiedClicksOnlySelect() {
        Click(1, 1);
        QCOMPARE(list_->currentRow(), 1);
        QVERIFY(!EditOpen());
        Click(2, 2, Qt::ControlModifier);
        Click(3, 2, Qt::ShiftModifier);
        QVERIFY(!EditOpen() && !ComboOpen());
        QVERIFY(owner_.choiceKeys.isEmpty());
        QVERIFY(owner_.edits.isEmpty());
    }

    void singleClickOpensTheEditorOverTheCellWithTextSelected() {
        Click(1, 2);
        QVERIFY(EditOpen());
        InPlaceEdit* edit = InPlaceEdit::GetInstance();
        QCOMPARE(edit->geometry(), QRect(list_->columnViewportPosition(2), list_->rowViewportPosition(1), 100,
                                         list_->rowHeight(1)));
        QCOMPARE(edit->text(), QString("v1"));
        QCOMPARE(edit->selectedText(), QString("v1"));
        QVERIFY(edit->hasFocus());
        QTest::keyClicks(edit, "42");
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!EditOpen());
        QVERIFY(list_->hasFocus());
        QCOMPARE(owner_.edits.size(), 1);
        QCOMPARE(owner_.edits[0].row, 1);
        QCOMPARE(owner_.edits[0].column, 2);
        QCOMPARE(owner_.edits[0].controlId, 7);
        QCOMPARE(owner_.edits[0].text, QString("42"));
        QCOMPARE(owner_.edits[0].startText, QString("v1"));
        QCOMPARE(list_->CellText(1, 2), QString("v1"));  // only the owner changes cells
    }

    void everyEndedEditIsReportedCancelledWithItsStartingText() {
        Click(0, 2);
        QTest::keyClicks(InPlaceEdit::GetInstance(), "xyz");
        QTest::keyClick(InPlaceEdit::GetInstance(), Qt::Key_Escape);
        QVERIFY(window_->isVisible());  // Esc did not reach the window
        Click(2, 2);
        Click(1, 2);  // leaves row 2 unchanged by a click elsewhere
        window_->findChild<QLineEdit*>("other")->setFocus();
        QCOMPARE(owner_.edits.size(), 3);
        QCOMPARE(owner_.edits[0].text, QString("v0"));
        QCOMPARE(owner_.edits[1].row, 2);
        QCOMPARE(owner_.edits[1].text, QString("v2"));
        QCOMPARE(owner_.edits[2].text, QString("v1"));
    }

    void dropDownPreselectsAndReportsOnlyWhatWasPicked() {
        list_->SetCellText(3, 2, "br");
        Click(3, 2);
        QVERIFY(ComboOpen());
        QCOMPARE(owner_.choiceKeys, QList<int>{2 * 65536 + 3});
        InPlaceCombo* combo = InPlaceCombo::GetInstance();
        QCOMPARE(combo->currentText(), QString("Bravo"));  // first beginning with the text, any case
        QCOMPARE(combo->geometry().topLeft(),
                 QPoint(list_->columnViewportPosition(2), list_->rowViewportPosition(3)));
        QTest::keyClick(combo, Qt::Key_Return);  // nothing picked: the starting text
        QCOMPARE(owner_.edits.last().text, QString("br"));
        QCOMPARE(owner_.edits.last().startText, QString("br"));

        list_->SetCellText(3, 2, "beta");
        Click(3, 2);
        QCOMPARE(combo->currentText(), QString("beta"));
        QTest::keyClick(combo, Qt::Key_Up);  // a pick with the keyboard
        QTest::keyClick(combo, Qt::Key_Return);
        QCOMPARE(owner_.edits.last().text, QString("Alpha"));

        // Esc on an empty cell right after another edit reports the empty text.
        Click(4, 2);
        QCOMPARE(combo->currentText(), QString("Alpha"));  // empty text: the first item
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Escape);
        QCOMPARE(owner_.edits.last().row, 4);
        QCOMPARE(owner_.edits.last().text, QString());
        QVERIFY(window_->isVisible());

        owner_.items.clear();
        list_->SetCellText(4, 2, "");
        Click(4, 2);
        QCOMPARE(combo->count(), 0);
        QTest::keyClick(combo, Qt::Key_Return);
        QCOMPARE(owner_.edits.last().text, QString());
    }

    void closingTheDroppedListEndsTheEdit() {
        list_->SetCellText(3, 2, "");
        Click(3, 2);
        InPlaceCombo* combo = InPlaceCombo::GetInstance();
        combo->showPopup();
        combo->setCurrentIndex(2);
        emit combo->activated(2);
        combo->hidePopup();
        QTRY_VERIFY(!ComboOpen());
        QCOMPARE(owner_.edits.last().text, QString("Bravo"));
    }

    void dropDownRectangleCoversItemsPlusOneRowsAtMostEleven() {
        const int rowHeight = list_->rowHeight(3);
        Click(3, 2);
        InPlaceCombo* combo = InPlaceCombo::GetInstance();
        const QRect cell = combo->geometry();
        QCOMPARE(combo->DropDownRect().bottom(), cell.bottom() + 4 * rowHeight);
        QCOMPARE(combo->maxVisibleItems(), 3);
        QTest::keyClick(combo, Qt::Key_Escape);
        owner_.items.clear();
        for (int i = 0; i < 25; ++i) owner_.items << QString("item %1").arg(i);
        Click(3, 2);
        QCOMPARE(combo->DropDownRect().bottom(), cell.bottom() + 11 * rowHeight);
        QCOMPARE(combo->maxVisibleItems(), 10);
        QTest::keyClick(combo, Qt::Key_Escape);
    }

    void narrowColumnOpensNoDropDownButATextEditor() {
        list_->setColumnWidth(2, 9);
        QVERIFY(list_->ShowInPlaceCombo(3, 2, {"a"}, "", -1) == nullptr);
        QVERIFY(list_->ShowInPlaceEdit(1, 2, "t") != nullptr);
        QVERIFY(EditOpen());
        QTest::keyClick(InPlaceEdit::GetInstance(), Qt::Key_Escape);
    }

    void halfHiddenCellScrollsIntoView() {
        list_->setColumnWidth(1, 300);  // 60 + 300 + 100: column 2 is cut at the right edge
        QApplication::processEvents();
        const int client = list_->viewport()->width();
        QRect rect = list_->GetCellRect(2, 0);
        QCOMPARE(rect.right() + 1, client);
        QCOMPARE(rect.width(), 100);
        rect = list_->GetCellRect(0, 0);  // left edge now off-screen: scrolls back to it
        QCOMPARE(rect.left(), 0);
        QCOMPARE(list_->horizontalScrollBar()->value(), 0);
    }

    void scrollBarPressEndsTheEditFirst() {
        for (int i = 0; i < 40; ++i) list_->AppendRow({"r", "n", "v"});
        QApplication::processEvents();
        Click(0, 2);
        QVERIFY(EditOpen());
        QScrollBar* bar = list_->verticalScrollBar();
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 5));
        QVERIFY(!EditOpen());
        QCOMPARE(owner_.edits.size(), 1);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 5));
    }

    void destroyingTheListDeletesTheEditors() {
        Click(0, 2);
        QTest::keyClick(InPlaceEdit::GetInstance(), Qt::Key_Escape);
        window_.reset();
        QVERIFY(!InPlaceEdit::Exists());
        QVERIFY(!InPlaceCombo::Exists());
    }
};

int RunComboListTests(int argc, char** argv) {
    ComboListTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ComboListTest.moc"
