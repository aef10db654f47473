// One instance of each companion application per session, decided by its named mutex.
#pragma once

namespace payload {

enum class InstanceStart { First, Second };

// From CreateMutexW: `created` is whether a handle came back, `lastError` GetLastError() right
// after. A mutex made by an elevated first instance refuses an unelevated second one
// (ERROR_ACCESS_DENIED): that is a second instance too, not a first.
InstanceStart ClassifyInstanceMutex(bool created, unsigned long lastError);

}  // namespace payload
