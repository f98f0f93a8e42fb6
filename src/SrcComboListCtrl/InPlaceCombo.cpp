#include "SrcComboListCtrl/InPlaceCombo.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

#include "SrcComboListCtrl/CellGeometry.h"
#include "SrcComboListCtrl/ComboListCtrl.h"

namespace combolist {

namespace {
QPointer<InPlaceCombo>& Instance() {
    static QPointer<InPlaceCombo> instance;
    return instance;
}
}  // namespace

InPlaceCombo::InPlaceCombo() {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QComboBox::activated, this, [this](int) { picked_ = true; });
    hide();
}

InPlaceCombo* InPlaceCombo::GetInstance() {
    if (Instance().isNull()) Instance() = new InPlaceCombo();
    return Instance().data();
}

void InPlaceCombo::DeleteInstance() {
    delete Instance().data();
}

bool InPlaceCombo::Exists() {
    return !Instance().isNull();
}

void InPlaceCombo::Open(ComboListCtrl* list, const QRect& cellRect, const QRect& dropDownRect, int row,
                        int column, const QStringList& items, const QString& text, int selection) {
    list_ = list;
    row_ = row;
    column_ = column;
    cancelled_ = false;
    picked_ = false;
    editing_ = true;
    dropDownRect_ = dropDownRect;
    if (parentWidget() != list->viewport()) setParent(list->viewport());
    setFont(list->font());
    const QSignalBlocker blocker(this);
    clear();
    addItems(items);  // in the owner's order, never sorted
    startText_ = (selection < 0 || selection >= count()) ? text : itemText(selection);
    setCurrentIndex(selection < count() ? selection : -1);
    // The dropped list shows the rows of the drop-down rectangle below the field but one: at most 10.
    setMaxVisibleItems(std::max(1, DropDownRows(static_cast<int>(items.size())) - 1));
    setGeometry(cellRect);
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
}

void InPlaceCombo::SelectForText(const QString& text) {
    const QSignalBlocker blocker(this);
    int found = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found < 0)
        found = findText(text, Qt::MatchStartsWith);  // case-insensitive without MatchCaseSensitive
    setCurrentIndex(found);
}

void InPlaceCombo::hidePopup() {
    QComboBox::hidePopup();
    // Closing the dropped list, with or without a pick, ends the edit once the focus is back on the list.
    if (editing_) QTimer::singleShot(0, this, [this] { ReturnFocusToList(); });
}

void InPlaceCombo::ReturnFocusToList() {
    if (!editing_) return;
    if (list_) list_->setFocus(Qt::OtherFocusReason);
    // The list may already hold the focus when the popup closed, or the window may not be active: then no
    // focus change ends the edit.
    if (editing_ && !hasFocus()) EndEdit();
}

void InPlaceCombo::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            cancelled_ = true;
            [[fallthrough]];
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            ReturnFocusToList();
            return;
        default:
            QComboBox::keyPressEvent(event);
    }
}

void InPlaceCombo::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // While the list is dropped the focus is in it; closing the list ends the edit (hidePopup).
    if (event->reason() == Qt::PopupFocusReason || view()->isVisible()) return;
    EndEdit();
}

void InPlaceCombo::EndEdit() {
    if (!editing_) return;
    editing_ = false;
    QString reported;
    if (cancelled_) {
        reported = startText_;
    } else if (count() == 0) {
        reported = QString();  // nothing to choose from
    } else {
        // A selection the operator never changed reports the starting text, so a mere click stores nothing.
        reported = picked_ ? currentText() : startText_;
    }
    QPointer<InPlaceCombo> self(this);
    if (list_) list_->EditEnded(row_, column_, reported, startText_);
    if (self && !editing_) hide();
}

}  // namespace combolist
