#include "USBIDeviceTraits.h"

USBIDeviceTraits::~USBIDeviceTraits() = default;
