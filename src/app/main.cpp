// The VARN host program: builds the process-wide objects, then runs the start-up sequence.
#include <QApplication>

#include "app/ProcessObjects.h"
#include "app/StartUp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    app::ProcessObjects processObjects;
    app::StartUpOptions options = app::StartUpOptionsFromEnvironment();
    options.comSer = &processObjects.ComSerObject();
    return app::RunStartUp(application, options);
}
