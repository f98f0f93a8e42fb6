// Runs the Qt Test classes of the shared window helpers in one application.
#include <QApplication>
#include <QTest>

#include "gui/common/Suites.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    int failures = 0;
    {
        DialogLookTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        DlgLogTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        ResourcesTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
