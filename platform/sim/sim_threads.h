// Simulated machine: the program's worker threads, counted so that the simulated person acts
// only while no worker runs.
#pragma once

namespace sim {

int RunningThreads();
// Blocks until every worker thread has returned.
void WaitForThreads();

}  // namespace sim
