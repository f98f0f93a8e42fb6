#include "SrcComboListCtrl/ComboListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

#include "SrcComboListCtrl/CellGeometry.h"
#include "SrcComboListCtrl/InPlaceCombo.h"
#include "SrcComboListCtrl/InPlaceEdit.h"

namespace combolist {

ComboListCtrl::ComboListCtrl(QWidget* parent) : QTableWidget(parent) {
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);  // only our own editors edit
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(0);
    FitRowHeight();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(0);
    // A click takes the focus only when it hits a cell (see mousePressEvent); Tab still reaches the list.
    setFocusPolicy(Qt::TabFocus);
    // A press on a scroll bar ends an open edit before the list scrolls.
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);
}

ComboListCtrl::~ComboListCtrl() {
    InPlaceEdit::DeleteInstance();
    InPlaceCombo::DeleteInstance();
}

void ComboListCtrl::FitRowHeight() {
    // Report rows as tall as the text plus a little room, not the roomy default of item views.
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void ComboListCtrl::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitRowHeight();
}

void ComboListCtrl::SetOwner(ComboListOwner* owner, int controlId) {
    owner_ = owner;
    controlId_ = controlId;
}

void ComboListCtrl::SetReadOnlyColumn(int column, bool on) {
    const auto it = std::find(readOnlyColumns_.begin(), readOnlyColumns_.end(), column);
    if (on && it == readOnlyColumns_.end()) readOnlyColumns_.push_back(column);
    if (!on && it != readOnlyColumns_.end()) readOnlyColumns_.erase(it);
}

bool ComboListCtrl::IsReadOnlyColumn(int column) const {
    return std::find(readOnlyColumns_.begin(), readOnlyColumns_.end(), column) != readOnlyColumns_.end();
}

void ComboListCtrl::SetChoiceCell(int column, int row, bool on) {
    if (on) {
        choiceCells_.insert(CellKey(column, row));
    } else {
        choiceCells_.erase(CellKey(column, row));
    }
}

bool ComboListCtrl::IsChoiceCell(int column, int row) const {
    return choiceCells_.count(CellKey(column, row)) != 0;
}

bool ComboListCtrl::HitTestCell(const QPoint& point, int& row, int& column) const {
    column = 0;
    row = rowAt(point.y());
    if (row < 0) return false;
    // The columns in the order they are shown, so the cell found is the one drawn under the point even after
    // the operator has dragged a header elsewhere.
    const QHeaderView* header = horizontalHeader();
    std::vector<int> widths;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        widths.push_back(header->isSectionHidden(logical) ? 0 : header->sectionSize(logical));
    }
    const int visual = ColumnAtX(point.x(), -horizontalOffset(), widths);
    if (visual < 0) return false;
    column = header->logicalIndex(visual);
    return true;
}

QRect ComboListCtrl::GetCellRect(int column, int row) {
    const QRect client = viewport()->rect();
    const int width = columnWidth(column);
    const int left = columnViewportPosition(column);
    const int dx = HorizontalScrollFor(left, width, client.left(), client.right() + 1);
    if (dx != 0) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
    const int shownLeft = columnViewportPosition(column);
    return QRect(shownLeft, rowViewportPosition(row), width, rowHeight(row));
}

InPlaceCombo* ComboListCtrl::ShowInPlaceCombo(int row, int column, const QStringList& items,
                                              const QString& text, int selection) {
    if (row < 0 || row >= rowCount()) return nullptr;
    QTableWidgetItem* cell = item(row, 0);
    if (cell != nullptr) scrollToItem(cell, QAbstractItemView::EnsureVisible);
    if (column < 0 || column >= columnCount() || columnWidth(column) < kMinComboColumnWidth) return nullptr;
    const QRect cellRect = GetCellRect(column, row);
    QRect dropDown = cellRect;
    dropDown.setBottom(cellRect.bottom() + rowHeight(row) * DropDownRows(static_cast<int>(items.size())));
    InPlaceCombo* combo = InPlaceCombo::GetInstance();
    combo->Open(this, cellRect, dropDown, row, column, items, text, selection);
    return combo;
}

InPlaceEdit* ComboListCtrl::ShowInPlaceEdit(int row, int column, const QString& text) {
    const QRect rect = GetCellRect(column, row);
    InPlaceEdit* edit = InPlaceEdit::GetInstance();
    edit->Open(this, rect, row, column, text);
    return edit;
}

QString ComboListCtrl::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

void ComboListCtrl::SetCellText(int row, int column, const QString& text) {
    QTableWidgetItem* cell = item(row, column);
    if (cell == nullptr) {
        cell = new QTableWidgetItem();
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        setItem(row, column, cell);
    }
    cell->setText(text);
}

void ComboListCtrl::AppendRow(const QStringList& texts) {
    const int row = rowCount();
    insertRow(row);
    for (int column = 0; column < columnCount(); ++column) {
        SetCellText(row, column, column < texts.size() ? texts[column] : QString());
    }
}

void ComboListCtrl::EditEnded(int row, int column, const QString& text, const QString& startText) {
    if (owner_ == nullptr) return;
    owner_->OnCellEdited(CellEditRecord{this, controlId_, row, column, text, startText});
}

bool ComboListCtrl::EditorOpen() const {
    return (InPlaceEdit::Exists() && InPlaceEdit::GetInstance()->Editing()) ||
           (InPlaceCombo::Exists() && InPlaceCombo::GetInstance()->Editing());
}

void ComboListCtrl::mousePressEvent(QMouseEvent* event) {
    int row = -1;
    int column = -1;
    const QPoint point = event->position().toPoint();
    if (!HitTestCell(point, row, column)) {
        event->accept();  // outside every cell: no selection, no focus, an open editor stays
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QTableWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);  // ends an open edit first
    QTableWidget::mousePressEvent(event);
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) return;
    if (row >= rowCount()) return;  // the owner removed rows while the previous edit ended
    const QString text = CellText(row, column);
    if (currentIndex().row() != row || !inPlaceEditing_) return;
    if (IsChoiceCell(column, row)) {
        QStringList items;
        if (owner_ != nullptr) owner_->OnCellChoices(*this, CellKey(column, row), items);
        if (InPlaceCombo* combo = ShowInPlaceCombo(row, column, items, text, -1)) combo->SelectForText(text);
    } else if (!IsReadOnlyColumn(column)) {
        ShowInPlaceEdit(row, column, text);
    }
}

void ComboListCtrl::wheelEvent(QWheelEvent* event) {
    // An editor left over a row that scrolled away would sit over the wrong cell: end the edit first.
    if (EditorOpen()) setFocus(Qt::MouseFocusReason);
    QTableWidget::wheelEvent(event);
}

bool ComboListCtrl::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == horizontalScrollBar() || watched == verticalScrollBar()) &&
        event->type() == QEvent::MouseButtonPress && !hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    return QTableWidget::eventFilter(watched, event);
}

}  // namespace combolist
