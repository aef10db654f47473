// What the payload programs make of their arguments (argv without the program name).
#pragma once

#include <string>
#include <vector>

namespace payload {

bool EqualsAsciiNoCase(const std::u16string& a, const std::u16string& b);

enum class ServiceMode {
  RunAsService,  // no arguments: started by the service control manager
  Register,      // "/Service": register or update the service, then end
  Help,
  BadArguments,
};
struct ServiceCommand {
  ServiceMode mode = ServiceMode::BadArguments;
  std::u16string error;  // for BadArguments: which argument was not understood
};
ServiceCommand ParseServiceArguments(const std::vector<std::u16string>& args);

// Why a companion application was started.
enum class LaunchReason {
  User,          // no switch: started by a person or by the setup's Finish button
  Boot,          // "-boot": the Run value at logon
  ServiceStart,  // "-servicestart": started by the service
  ServiceBoot,   // "-serviceboot": started by the service at system start
};
struct AppCommand {
  LaunchReason reason = LaunchReason::User;
  // Arguments that are not one of the switches (the setup's Finish passes the program's own
  // path); shown, otherwise ignored.
  std::vector<std::u16string> ignored;
};
AppCommand ParseAppArguments(const std::vector<std::u16string>& args);
const char16_t* LaunchReasonText(LaunchReason reason);
// Started at logon or system start: begin minimised instead of in front of the user's work.
bool StartsMinimised(LaunchReason reason);

struct UninstallCommand {
  bool removeUserData = false;  // "/RemoveUserData": do not ask, remove the per-user copies too
  bool keepUserData = false;    // "/KeepUserData": do not ask, keep them
  // "/S": no question and no report; the settings are kept unless /RemoveUserData is given.
  bool silent = false;
  bool ok = true;
  std::u16string error;
};
UninstallCommand ParseUninstallArguments(const std::vector<std::u16string>& args);

}  // namespace payload
