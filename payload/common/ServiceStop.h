// How the uninstaller brings the service to a stop, whatever state it is found in.
#pragma once

namespace payload {

// SERVICE_STATUS dwCurrentState values (winsvc.h).
enum ServiceState : unsigned long {
  kServiceStopped = 1,
  kServiceStartPending = 2,
  kServiceStopPending = 3,
  kServiceRunning = 4,
  kServiceContinuePending = 5,
  kServicePausePending = 6,
  kServicePaused = 7,
};

enum class StopStep {
  Done,      // stopped
  SendStop,  // send the stop control now
  Wait,      // a start or stop is under way, or the stop was sent: ask again shortly
};

// A starting service cannot take a stop yet: wait until it runs, then send it. A paused or
// pausing service takes a stop like a running one.
StopStep NextStopStep(unsigned long state, bool stopSent);

}  // namespace payload
