#include "playlist/log.h"

Q_LOGGING_CATEGORY(lcPlaylist, "playlist")
