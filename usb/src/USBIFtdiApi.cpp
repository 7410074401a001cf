#include "USBIFtdiApi.h"

USBIFtdiApi::~USBIFtdiApi() = default;
