#pragma once

#include "USBResult.h"

// The result of an FTDI library status: success for 0, else status 2 with the status's text.
USBResult usbStatusText(int status);
