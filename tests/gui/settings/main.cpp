#include <QApplication>

#include "Suites.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = RunComboListTests(argc, argv);
    failures += RunDlgDZCSTests(argc, argv);
    return failures;
}
