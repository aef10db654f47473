#include "payload/common/ServiceStop.h"

namespace payload {

StopStep NextStopStep(unsigned long state, bool stopSent) {
  switch (state) {
    case kServiceStopped: return StopStep::Done;
    case kServiceStartPending:
    case kServiceStopPending: return StopStep::Wait;
    default: return stopSent ? StopStep::Wait : StopStep::SendStop;
  }
}

}  // namespace payload
