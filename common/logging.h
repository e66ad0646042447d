#pragma once

#include <QLoggingCategory>

// One logging category per area of the program, so that a user can switch
// its messages on and off, e.g. QT_LOGGING_RULES="velmo.desknote.warning=false"
// or "velmo.*.debug=false".
Q_DECLARE_LOGGING_CATEGORY(lcApp)      // "velmo.app": the main window, start-up, session end
Q_DECLARE_LOGGING_CATEGORY(lcNotebook) // "velmo.notebook": tabs and the tab.dat store
Q_DECLARE_LOGGING_CATEGORY(lcDesknote) // "velmo.desknote": desktop notes, reminders, sound
Q_DECLARE_LOGGING_CATEGORY(lcCapture)  // "velmo.capture": the capture overlay and the hot key
