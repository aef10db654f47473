// The removal operations behind CarryOut, one group per file: files and folders
// (RemovalFiles.cpp), registry, service, filter and applications (RemovalSystem.cpp).
#pragma once

#include <string>

#include "payload/uninstall/Removal.h"
#include "platform/os_types.h"

namespace removal {

// Gone already: nothing to remove.
bool Absent(os::DWORD error);
// Adds "what: <Windows' text of the error> (<code>)" to the report.
void Fail(RemovalReport& report, const std::u16string& what, os::DWORD error);

void RemoveFile(const std::u16string& path, RemovalReport& report);
void RemoveTree(const std::u16string& folder, RemovalReport& report);
void RemoveFolderIfEmpty(const std::u16string& folder, RemovalReport& report);
void DeleteSelfAfterExit(const std::u16string& self, const std::u16string& folder,
                         RemovalReport& report);

void DeleteValue(const std::u16string& key, const std::u16string& name, RemovalReport& report);
void DeleteTree(const std::u16string& key, RemovalReport& report);
void DeleteKeyIfEmpty(const std::u16string& key, RemovalReport& report);
void AskAppsToExit();
void StopAndDeleteService(const std::u16string& name, RemovalReport& report);
void DetachFilter(const std::u16string& filter, const std::u16string& groupKey,
                  RemovalReport& report);

}  // namespace removal
