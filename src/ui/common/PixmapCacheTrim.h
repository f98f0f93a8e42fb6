#pragma once
// Keeps Qt's pixmap cache from collecting the pictures of dialogs that are gone.
class QApplication;

namespace ui {

// From now on the style's pixmap cache is emptied whenever a dialog or message box is hidden (closed).
//
// The Fusion style caches the painted pixmaps of controls (push buttons, combo boxes, item views, headers,
// scroll bars) under keys that include the widget's palette. With an application palette of the program's
// own, every widget resolves a palette object of its own, so no later paint finds what a closed dialog left
// in the cache: about 230 kB for each file dialog and 8 kB for each message box, kept until Qt's 10 MB cache
// limit. The windows that stay open paint their pixmaps again on their next paint. A second call has no
// further effect.
void DropPixmapsOfClosedDialogs(QApplication& application);

}  // namespace ui
