// The service control manager of the simulated machine.
//
// A service is installed when the manager's database holds it and its key
// HKLM\SYSTEM\CurrentControlSet\Services\<name> exists (Type, Start, ImagePath), as on Windows:
// the database is what was installed when Windows started (machine.ini, the services of
// earlier runs) and what was created since; a key written alone becomes a service only at the
// next start of Windows. machine.ini [Service:<name>] sections describe
// how a service behaves and its state when the machine folder is first used. The running
// state is kept in the machine folder (services.state) so that the next run finds services
// as the last one left them. Every start and control that reaches a service is recorded in
// memory and appended to services.log.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/os_types.h"

namespace sim {

// What a program's own CreateServiceW / ChangeServiceConfigW would leave: a Win32 service of
// its own process, started automatically, with `imagePath`. An existing service keeps its
// state and gets the new image path.
bool RegisterService(const std::u16string& name, const std::u16string& imagePath);

// The current state (SERVICE_STOPPED ... SERVICE_PAUSED) of an installed service, 0 when the
// service is not installed. Reading it is not a status query: pending services do not advance.
os::DWORD ServiceState(const std::u16string& name);
// The start of Windows: every key under Services with a Type value becomes a service.
void LoadServicesAtWindowsStart();

// The starts and controls that reached services since the machine was opened, in order:
// "<name> start", "<name> start refused <error>", "<name> control <code>",
// "<name> control <code> refused <error>".
std::vector<std::string> ServiceLog();

// Service-manager handles closed since the machine was opened, in order: "manager" or
// "service <name>"; and how many are still open.
std::vector<std::string> ServiceHandleCloses();
std::size_t OpenServiceHandles();

}  // namespace sim
