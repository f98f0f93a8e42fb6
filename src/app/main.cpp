// The VARN host program: builds the process-wide objects, then runs the start-up sequence.
#include <QApplication>
#include <QTranslator>
#include <cstdio>

#include "app/ProcessObjects.h"
#include "app/StartUp.h"
#include "platform/ProcessSetup.h"

int main(int argc, char* argv[]) {
    platform::RestrictLibrarySearch();
    QApplication application(argc, argv);
    // Qt's own texts (the standard buttons 是/否/确定/取消, the file dialogs) in Chinese, as the system's own
    // message boxes show them to the operator. Without the translation the program goes on in Qt's English.
    QTranslator qtTexts;
    const QString translations = QString::fromStdString(platform::QtTranslationsFolder());
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), translations)) {
        QApplication::installTranslator(&qtTexts);
    } else {
        std::fprintf(stderr, "varn: no qtbase_zh_CN.qm in %s\n", qPrintable(translations));
    }
    app::ProcessObjects processObjects;
    app::StartUpOptions options = app::StartUpOptionsFromEnvironment();
    options.comSer = &processObjects.ComSerObject();
    return app::RunStartUp(application, options);
}
