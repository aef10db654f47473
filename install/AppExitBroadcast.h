// Asks the running companion applications to exit: they listen for the registered message
// "WM_ZKT72xxAPP_EXIT", broadcast to every top-level window with 100 ms per window.
#pragma once

void BroadcastAppExit();
