#include "SimIChannelEndpoint.h"

SimIChannelEndpoint::~SimIChannelEndpoint() = default;
