#include "swf/log.h"

Q_LOGGING_CATEGORY(lcSwfIo, "swf.io")
Q_LOGGING_CATEGORY(lcSwfRender, "swf.render")
Q_LOGGING_CATEGORY(lcSwfAudio, "swf.audio")
Q_LOGGING_CATEGORY(lcSwfScript, "swf.script")
Q_LOGGING_CATEGORY(lcSwfVideo, "swf.video")
