// Simulated machine: worker threads (os_thread.h) are real host threads.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/os_files.h"
#include "platform/os_thread.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_threads.h"

namespace sim {

namespace {
std::mutex mutex;
std::condition_variable ended;
int running = 0;
}  // namespace

int RunningThreads() {
  std::lock_guard<std::mutex> lock(mutex);
  return running;
}

void WaitForThreads() {
  std::unique_lock<std::mutex> lock(mutex);
  ended.wait(lock, [] { return running == 0; });
}

}  // namespace sim

namespace os {

BOOL CreateThread(ThreadProc proc, void* argument) {
  DWORD error = 0;
  if (sim::Fault("CreateThread", u"", &error)) {
    SetLastError(error);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> lock(sim::mutex);
    ++sim::running;
  }
  std::thread([proc, argument] {
    proc(argument);
    std::lock_guard<std::mutex> lock(sim::mutex);
    --sim::running;
    sim::ended.notify_all();
  }).detach();
  return TRUE;
}

}  // namespace os
