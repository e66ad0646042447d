#include "logging.h"

Q_LOGGING_CATEGORY(lcApp, "velmo.app")
Q_LOGGING_CATEGORY(lcNotebook, "velmo.notebook")
Q_LOGGING_CATEGORY(lcDesknote, "velmo.desknote")
Q_LOGGING_CATEGORY(lcCapture, "velmo.capture")
