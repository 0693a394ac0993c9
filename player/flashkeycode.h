// The key codes movies see (Key.getCode, the button key conditions): the
// Windows virtual-key numbering the SWF format took over, from Qt's keys.
#pragma once

class QKeyEvent;

// 0 for a key movies have no code for.
int flashKeyCode(const QKeyEvent &event);
