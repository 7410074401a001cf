#include "USBIProtocol.h"

USBIProtocol::~USBIProtocol() = default;
