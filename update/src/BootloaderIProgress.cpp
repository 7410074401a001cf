#include "BootloaderIProgress.h"

BootloaderIProgress::~BootloaderIProgress() = default;
