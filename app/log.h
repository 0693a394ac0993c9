// Logging category of the program's start: command line, start-up folder,
// the channel between launches.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
