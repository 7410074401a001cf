#include "USBIDeviceUpdater.h"

USBIDeviceUpdater::~USBIDeviceUpdater() = default;
