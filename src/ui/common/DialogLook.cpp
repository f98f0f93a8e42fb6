#include "ui/common/DialogLook.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QPalette>
#include <QString>
#include <QStringList>

namespace ui {

QFont DialogFont(int pointSize) {
    static const QStringList preferred = {
        QStringLiteral("SimSun"),
        QStringLiteral("宋体"),
        QStringLiteral("NSimSun"),
        QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("AR PL UMing CN"),
    };
    const QStringList installed = QFontDatabase::families();
    QStringList families;
    for (const QString& family : preferred) {
        if (installed.contains(family, Qt::CaseInsensitive)) families << family;
    }
    QFont font;
    // The installed preferences first, the rest after them, so the font matcher still finds 宋体 by an alias.
    for (const QString& family : preferred) {
        if (!families.contains(family)) families << family;
    }
    font.setFamilies(families);
    font.setPointSize(pointSize);
    return font;
}

void ApplyDialogColours(QApplication& application) {
    QPalette palette = application.palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, kDialogBackground);
        palette.setColor(group, QPalette::WindowText, kDialogText);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, kDialogBackground);
    QApplication::setPalette(palette);
    QApplication::setFont(DialogFont());
}

QIcon ResourceIcon(int id) {
    QIcon icon;
    for (const QString& path :
         {QStringLiteral(":/ICON/%1").arg(id), QStringLiteral(":/ICON/%1-16").arg(id)}) {
        if (QFile::exists(path)) icon.addFile(path);
    }
    return icon;
}

}  // namespace ui
