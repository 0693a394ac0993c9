#include "fs/log.h"

Q_LOGGING_CATEGORY(lcFsFinder, "fs.finder")
Q_LOGGING_CATEGORY(lcFsDialog, "fs.dialog")
