#include "USBICommRequest.h"

#include <atomic>

USBICommRequest::~USBICommRequest() = default;

int nextCommRequestId()
{
    // Atomic: a request may be built on any thread.
    static std::atomic<int> s_counter{100};
    return ++s_counter;
}
