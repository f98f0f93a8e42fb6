#include "ui/common/PixmapCacheTrim.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPixmapCache>

namespace ui {

namespace {

const QString kWatcherName = QStringLiteral("ClosedDialogWatcher");

class ClosedDialogWatcher : public QObject {
  public:
    explicit ClosedDialogWatcher(QObject* parent) : QObject(parent) { setObjectName(kWatcherName); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && qobject_cast<QDialog*>(watched) != nullptr)
            QPixmapCache::clear();
        return false;
    }
};

}  // namespace

void DropPixmapsOfClosedDialogs(QApplication& application) {
    if (application.findChild<QObject*>(kWatcherName, Qt::FindDirectChildrenOnly) != nullptr) return;
    application.installEventFilter(new ClosedDialogWatcher(&application));
}

}  // namespace ui
