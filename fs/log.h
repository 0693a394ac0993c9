// Logging categories of the file-system helpers.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcFsFinder)
Q_DECLARE_LOGGING_CATEGORY(lcFsDialog)
