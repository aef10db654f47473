// The driver's service key and the autostart value.
#pragma once

#include <string>

// Writes HKLM\SYSTEM\CurrentControlSet\Services\<name> as a demand-start kernel driver.
// 0 written; 1 the key cannot be created or opened.
int RegisterDriverService(std::u16string driverName);
// Writes the Run value (REG_SZ) under HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run.
// 0 written; 1 the Run key cannot be created or opened.
int SetRunValue(std::u16string valueName, std::u16string commandLine);
