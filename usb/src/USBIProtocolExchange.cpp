#include "USBIProtocolExchange.h"

USBIProtocolExchange::~USBIProtocolExchange() = default;
