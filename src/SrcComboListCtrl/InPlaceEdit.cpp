#include "SrcComboListCtrl/InPlaceEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "SrcComboListCtrl/ComboListCtrl.h"

namespace combolist {

namespace {
QPointer<InPlaceEdit>& Instance() {
    static QPointer<InPlaceEdit> instance;
    return instance;
}
}  // namespace

InPlaceEdit::InPlaceEdit() {
    setFrame(false);
    hide();
}

InPlaceEdit* InPlaceEdit::GetInstance() {
    if (Instance().isNull()) Instance() = new InPlaceEdit();
    return Instance().data();
}

void InPlaceEdit::DeleteInstance() {
    delete Instance().data();
}

bool InPlaceEdit::Exists() {
    return !Instance().isNull();
}

void InPlaceEdit::Open(ComboListCtrl* list, const QRect& rect, int row, int column, const QString& text) {
    list_ = list;
    row_ = row;
    column_ = column;
    startText_ = text;
    cancelled_ = false;
    editing_ = true;
    if (parentWidget() != list->viewport()) setParent(list->viewport());
    setFont(list->font());
    setGeometry(rect);
    setText(text);
    selectAll();
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
}

void InPlaceEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            cancelled_ = true;
            [[fallthrough]];
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Handled here so the window never sees them as its OK or Cancel; the focus change ends the edit.
            event->accept();
            if (list_) list_->setFocus(Qt::OtherFocusReason);
            // In a window that is not active no focus change takes place: end the edit directly.
            if (editing_ && !hasFocus()) EndEdit();
            return;
        default:
            QLineEdit::keyPressEvent(event);
    }
}

void InPlaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason) return;  // the editor's own context menu
    EndEdit();
}

void InPlaceEdit::EndEdit() {
    if (!editing_) return;
    editing_ = false;
    const QString reported = cancelled_ ? startText_ : text();
    QPointer<InPlaceEdit> self(this);
    if (list_) list_->EditEnded(row_, column_, reported, startText_);
    // The owner may have opened the next edit meanwhile; only an idle editor goes away.
    if (self && !editing_) hide();
}

}  // namespace combolist
