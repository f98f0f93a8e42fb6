// Turns the help document's HTML source into the PDF the program opens:
// helpgen <source.html> <output.pdf> [picture folder].
// Runs at build time on the offscreen platform; a CJK font must be installed for the Chinese text. Each
// <img src="name.png"> of the source is taken from the picture folder; a missing picture fails the run.
// Without a picture folder the pictures are left out.
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cstdio>

namespace {

// The text column of an A4 page with 2 cm margins, in the 96-per-inch pixels image sizes are given in.
constexpr int kColumnWidth = 620;

// Registers every picture the HTML names with `document` and gives each <img> without a width the
// picture's own width, at most the text column's. False (after a message) when a picture cannot be read.
bool AddPictures(QString& html, QTextDocument& document, const QString& folder) {
    if (folder.isEmpty()) {
        static const QRegularExpression anyImage(QStringLiteral("<img [^>]*>"));
        html.remove(anyImage);
        return true;
    }
    static const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\"(\\s+width=)?"));
    QString out;
    qsizetype from = 0;
    for (auto it = image.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString name = match.captured(1);
        const QImage picture(QDir(folder).filePath(name));
        if (picture.isNull()) {
            std::fprintf(stderr, "helpgen: cannot read the picture %s in %s\n", qPrintable(name),
                         qPrintable(folder));
            return false;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), picture);
        out += html.mid(from, match.capturedEnd(0) - from);
        if (match.captured(2).isEmpty()) {
            out += QStringLiteral(" width=\"%1\"").arg(std::min(picture.width(), kColumnWidth));
        }
        from = match.capturedEnd(0);
    }
    html = out + html.mid(from);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: helpgen <source.html> <output.pdf> [picture folder]\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "helpgen: cannot read %s\n", argv[1]);
        return 1;
    }
    QString html = QString::fromUtf8(source.readAll());
    QTextDocument document;
    const QString pictures = argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString();  // may be given empty
    if (!AddPictures(html, document, pictures)) return 1;

    QFont font;
    const QStringList installed = QFontDatabase::families();
    for (const char* family : {"SimSun", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC"}) {
        if (installed.contains(QString::fromLatin1(family))) {
            font.setFamily(QString::fromLatin1(family));
            break;
        }
    }
    font.setPointSize(11);

    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setTitle(QStringLiteral("VARN 使用说明"));
    writer.setCreator(QStringLiteral("helpgen"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);  // the document adds 2 cm
    writer.setResolution(300);

    document.setDefaultFont(font);
    document.setHtml(html);
    // Without a page size of its own the document is laid out on the writer's pages at the writer's
    // resolution, so point sizes come out right.
    document.print(&writer);
    return QFile::exists(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
