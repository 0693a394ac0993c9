#include "swf/avm2/log.h"

Q_LOGGING_CATEGORY(lcAvm2, "swf.avm2")
