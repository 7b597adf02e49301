// The state of the control that sent an action, as a check box reports it, whatever kind of
// control it is (a check box, a checkable menu item or button, or anything with a "state"
// property): the launch-at-login action acts only on a clear on or off.
#pragma once

class QObject;

// 0 off, 1 on, -1 mixed or unknown.
int controlState(QObject *sender);
