// The engine tests' helpers, for the tools' tests.
#pragma once

#include "../swf/swftest.h"
