#include "ui/common/DialogLook.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QPainterPath>
#include <QPalette>
#include <QRawFont>
#include <QString>
#include <QStringList>

#include "ui/common/PixmapCacheTrim.h"

namespace ui {

namespace {

// True when `family` draws the sign ℃ with a visible outline. Some CJK fonts (WenQuanYi Micro Hei among
// them) map the letterlike symbols to empty glyphs; the font matcher then takes the empty glyph instead of
// falling back, and 油温(℃) shows as 油温(  ).
bool DrawsDegreeSign(const QString& family) {
    const QRawFont raw = QRawFont::fromFont(QFont(family, 12));
    if (!raw.isValid()) return false;
    const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("℃"));
    return !glyphs.isEmpty() && glyphs.front() != 0 && !raw.pathForGlyph(glyphs.front()).isEmpty();
}

QStringList DialogFamilies() {
    // A system whose language is Chinese lists its Chinese fonts by their Chinese names (Windows, Wine).
    static const QStringList preferred = {
        QStringLiteral("SimSun"),
        QStringLiteral("宋体"),
        QStringLiteral("NSimSun"),
        QStringLiteral("新宋体"),
        QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("文泉驿微米黑"),
        QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("文泉驿正黑"),
        QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("AR PL UMing CN"),
    };
    // Fonts with a drawn ℃ whose Latin letters have about the average width of the CJK fonts' own, so
    // dialog units come out the same when one of them is put in front.
    static const QStringList symbolFonts = {
        QStringLiteral("DejaVu Sans Condensed"),
        QStringLiteral("Noto Sans"),
        QStringLiteral("Liberation Sans"),
        QStringLiteral("DejaVu Sans"),
    };
    const QStringList installed = QFontDatabase::families();
    QStringList families;
    for (const QString& family : preferred) {
        if (installed.contains(family, Qt::CaseInsensitive)) families << family;
    }
    // When the CJK font leaves ℃ blank, a font that draws it goes first: the matcher falls back to the CJK
    // font for every character the first one lacks.
    if (!families.isEmpty() && !DrawsDegreeSign(families.front())) {
        for (const QString& family : symbolFonts) {
            if (installed.contains(family, Qt::CaseInsensitive) && DrawsDegreeSign(family)) {
                families.prepend(family);
                break;
            }
        }
    }
    // The installed preferences first, the rest after them, so the font matcher still finds 宋体 by an alias.
    for (const QString& family : preferred) {
        if (!families.contains(family)) families << family;
    }
    return families;
}

}  // namespace

QFont DialogFont(int pointSize) {
    // The installed fonts do not change during a run; they are looked at once the application exists.
    static QStringList families;
    if (families.isEmpty()) {
        if (!QCoreApplication::instance()) return QFont(QStringLiteral("SimSun"), pointSize);
        families = DialogFamilies();
    }
    QFont font;
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
    // A palette of the program's own gives every widget a palette of its own, which the style's pixmap cache
    // cannot share between dialogs.
    DropPixmapsOfClosedDialogs(application);
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
