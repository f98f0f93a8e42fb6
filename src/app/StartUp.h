#pragma once
// The start-up sequence, run after the process-wide objects exist: named mutex, dialog look, program folder,
// start window, main window. It returns the process's exit code when the main window has closed.
#include <QString>
#include <chrono>
#include <string>

class QApplication;

namespace com {
class ComSer;
}

namespace app {

// The named mutex the program holds while it runs.
inline constexpr const char* kInstanceMutexName = "Tessel";

struct StartUpOptions {
    // When set, the run is headless: a picture of the start window (splash.png) and of the main dialog
    // (main.png) is saved here, the main dialog closes by itself and the picture paths go to stdout.
    QString screenshotDir;
    std::chrono::milliseconds splashDisplayTime{2000};
    // Headless: the main window's picture is taken after a few polls, then the window closes by itself.
    std::chrono::milliseconds mainShotDelay{3000};
    std::chrono::milliseconds mainAutoClose{3500};
    // Headless: after the main window's picture, every other window is opened in turn against the relay and
    // pictured (monitor.png, settings.png, compare.png, events.png, hardware_id.png, calibration.png), and
    // the settings sheet is written as sheet.pdf; then the main window closes. mainAutoClose is not used.
    bool windowPictures = false;
    std::string instanceMutexName = kInstanceMutexName;
    // The serial-port object the main window talks through; without one the run makes its own.
    com::ComSer* comSer = nullptr;
};

// Options from the environment: VARN_SCREENSHOT_DIR selects the headless run with every window's picture.
StartUpOptions StartUpOptionsFromEnvironment();

// Runs the sequence to its end and returns the exit code (0; 1 when a headless run could not save a picture).
int RunStartUp(QApplication& application, const StartUpOptions& options);

}  // namespace app
