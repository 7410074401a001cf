#pragma once

#include "USBFtdiDeviceListNode.h"

// A node of the FTDI device list with its position in the list (the index a channel opens by).
struct USBFtdiListEntry
{
    int deviceIndex = 0;
    USBFtdiDeviceListNode node;
};
