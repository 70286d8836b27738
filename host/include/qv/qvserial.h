// The host's serial library: choosing a COM port.
#pragma once

#include "qvbase.h"

// Shows the connection dialog listing the machine's COM ports. Returns the chosen port number, or 0 when
// the user cancelled. connected: the device is connected now (shown, the choice applies at the next connect).
QV_FRAMEWORK_API short QV_SerialShowConnectionDialog(HWND parent, short currentPort, bool connected,
                                                     int reserved1, bool reserved2, bool reserved3,
                                                     unsigned int flags, void* reserved4);

// Window caption of that dialog, so that the host (and its tests) can find it.
#define QV_SERIAL_DIALOG_CAPTION L"Serial Connection"
// Control ids: the port list and the state line.
#define QV_SERIAL_DIALOG_PORTS 1001
#define QV_SERIAL_DIALOG_STATE 1002
