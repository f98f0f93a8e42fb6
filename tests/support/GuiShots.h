#pragma once
// Pictures of the windows the GUI tests build, for a person to look at: kept in this build's folder
// (VARN_GUI_SHOTS, set by tests/gui/CMakeLists.txt), which is this build's own, whoever else runs tests.
#include <QDir>
#include <QString>

namespace test_support {

inline QString GuiShotPath(const QString& name) {
    const QString folder = QStringLiteral(VARN_GUI_SHOTS);
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name;
}

}  // namespace test_support
