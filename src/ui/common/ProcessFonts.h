#pragma once
// The three process-wide fonts of the main window: the telemetry labels, the telesignal labels and the log
// box. They exist for the whole run (owned by the start-up, which builds them after the application object
// and destroys them before it) and are made real fonts by the main window's initialisation.
#include <QFont>

namespace ui {

struct ProcessFonts {
    QFont ycLabelFont;
    QFont yxLabelFont;
    QFont logFont;
};

// The fonts of this run; nullptr outside the run (before the start-up built them or after it ended).
ProcessFonts* TheProcessFonts();

// Installs `fonts` as the run's fonts (nullptr removes them). Called by their owner only.
void SetProcessFonts(ProcessFonts* fonts);

}  // namespace ui
