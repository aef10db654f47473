// The default audio settings of the configuration file (sections EncValueMap and DefaultSet)
// copied into the registry as DWORD values under HKLM\SOFTWARE\ZKT 72xx Software.
#pragma once

#include <string>

// Reads `configFile` (the source copy of AudioConfig.cfg) and writes the values; failures are
// traced and the next value is tried. Returns 0.
int WriteDefaultAudioSettings(const std::u16string& configFile);
