// Build-time generator of the program's embedded resources: the five sounds, the icons and the start picture.
// Usage: varn_resgen <output folder>. Writes WAVE/<name>.wav, ICON/<id>.png, ICON/<id>-16.png,
// BITMAP/145.bmp.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "Pictures.h"
#include "Wave.h"

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "varn_resgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool WritePng(const QString& path, const QImage& image) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "varn_resgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: varn_resgen <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"WAVE", "ICON", "BITMAP"}) {
        if (!out.mkpath(QString::fromLatin1(sub))) {
            std::fprintf(stderr, "varn_resgen: cannot create %s/%s\n", argv[1], sub);
            return 1;
        }
    }
    bool ok = true;
    for (const resgen::NamedWave& wave : resgen::ProgramWaves()) {
        const QByteArray bytes(reinterpret_cast<const char*>(wave.bytes.data()),
                               static_cast<qsizetype>(wave.bytes.size()));
        ok &= WriteFile(out.filePath(QStringLiteral("WAVE/%1.wav").arg(QString::fromStdString(wave.name))),
                        bytes);
    }
    for (int id : {128, 131, 132, 144}) {
        ok &= WritePng(out.filePath(QStringLiteral("ICON/%1.png").arg(id)), resgen::DrawIcon(id, 32));
        ok &= WritePng(out.filePath(QStringLiteral("ICON/%1-16.png").arg(id)), resgen::DrawIcon(id, 16));
    }
    // The program's icon in the sizes a desktop menu asks for (not embedded; the package installs them).
    for (int size : {48, 64, 128, 256}) {
        ok &=
            WritePng(out.filePath(QStringLiteral("ICON/128-%1.png").arg(size)), resgen::DrawIcon(128, size));
    }
    ok &= WriteFile(out.filePath(QStringLiteral("BITMAP/145.bmp")), resgen::ToBmp24(resgen::DrawSplash()));
    return ok ? 0 : 1;
}
