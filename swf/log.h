// Logging categories of the engine.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcSwfIo)
Q_DECLARE_LOGGING_CATEGORY(lcSwfRender)
Q_DECLARE_LOGGING_CATEGORY(lcSwfAudio)
Q_DECLARE_LOGGING_CATEGORY(lcSwfScript)
Q_DECLARE_LOGGING_CATEGORY(lcSwfVideo)
