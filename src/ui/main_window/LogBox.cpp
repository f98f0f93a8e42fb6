#include "ui/main_window/LogBox.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "log/LogBoxText.h"

namespace ui {

LogBox::LogBox(QWidget* parent) : QPlainTextEdit(parent) {
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

qsizetype LogBox::Length() const {
    return document()->characterCount() - 1;
}

void LogBox::AppendEntry(const QString& entry) {
    QTextDocument* doc = document();
    qsizetype cut = static_cast<qsizetype>(oplog::LogBoxCutCount(static_cast<std::size_t>(Length())));
    if (cut > 0) {
        // Never leave half a surrogate pair at the start.
        if (doc->characterAt(static_cast<int>(cut)).isLowSurrogate()) ++cut;
        QTextCursor front(doc);
        front.setPosition(static_cast<int>(cut), QTextCursor::KeepAnchor);
        front.removeSelectedText();
    }
    QString text = entry;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    setTextCursor(end);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

}  // namespace ui
