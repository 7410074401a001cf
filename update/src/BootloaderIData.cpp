#include "BootloaderIData.h"

BootloaderIData::~BootloaderIData() = default;
