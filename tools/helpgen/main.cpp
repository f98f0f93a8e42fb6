// Turns the help document's HTML source into the PDF the program opens: helpgen <source.html> <output.pdf>.
// Runs at build time on the offscreen platform; a CJK font must be installed for the Chinese text.
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: helpgen <source.html> <output.pdf>\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "helpgen: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString html = QString::fromUtf8(source.readAll());

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

    QTextDocument document;
    document.setDefaultFont(font);
    document.setHtml(html);
    // Without a page size of its own the document is laid out on the writer's pages at the writer's
    // resolution, so point sizes come out right.
    document.print(&writer);
    return QFile::exists(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
