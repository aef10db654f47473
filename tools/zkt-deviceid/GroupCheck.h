// The "check" command: loads the two device-ID groups of a configuration file as the wizard
// does and reports every entry and the wizard's verdict.
#pragma once

#include <iosfwd>
#include <string>

// 0 when both groups load, 1 when the wizard would end, 2 when the file cannot be used here.
int CheckConfigurationFile(const std::string& hostFile, std::ostream& out, std::ostream& err);
