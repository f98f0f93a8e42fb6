#pragma once
#include <QObject>

int RunComboListTests(int argc, char** argv);
int RunDlgDZCSTests(int argc, char** argv);
