// Start, stop or signal a Windows service by name, waiting a bounded time for start and stop.
#pragma once

#include <cstdint>
#include <string>

// Requests: 0 start and wait until running, 1 stop and wait until stopped, any other value is
// a control code sent once without waiting (128 to 255 belong to the service).
// Results: 0 done; 1 the service manager could not be opened; 2 the service could not be
// opened (not installed); 3 its status could not be read; 4 the stop was refused; 5 not
// stopped after 30 polls; 6 the start was refused; 7 not running after 30 polls.
std::uint32_t SetServiceState(const std::u16string& serviceName, std::uint32_t request);

// The two requests that wait; the others are the service's control codes.
constexpr std::uint32_t kServiceStart = 0;
constexpr std::uint32_t kServiceStop = 1;
