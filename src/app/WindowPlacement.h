// Brings one of the program's small windows up where the user is looking: centred on the
// screen under the pointer, never smaller than its contents need, in front.
#pragma once

class QWidget;

void centerAndShow(QWidget *window);
