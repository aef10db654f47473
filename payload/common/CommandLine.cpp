#include "payload/common/CommandLine.h"

namespace payload {

namespace {

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; }

bool IsSwitch(const std::u16string& arg, const char16_t* name) {
  // Windows programs take both "/Name" and "-Name".
  if (arg.size() < 2 || (arg[0] != u'/' && arg[0] != u'-')) return false;
  return EqualsAsciiNoCase(arg.substr(1), name);
}

}  // namespace

bool EqualsAsciiNoCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

ServiceCommand ParseServiceArguments(const std::vector<std::u16string>& args) {
  ServiceCommand command;
  if (args.empty()) {
    command.mode = ServiceMode::RunAsService;
  } else if (args.size() == 1 && IsSwitch(args[0], u"Service")) {
    command.mode = ServiceMode::Register;
  } else if (args.size() == 1 && (args[0] == u"/?" || IsSwitch(args[0], u"help"))) {
    command.mode = ServiceMode::Help;
  } else {
    command.mode = ServiceMode::BadArguments;
    for (const std::u16string& arg : args)
      if (!IsSwitch(arg, u"Service")) {
        command.error = arg;
        break;
      }
    if (command.error.empty()) command.error = args.back();  // "/Service" given twice
  }
  return command;
}

AppCommand ParseAppArguments(const std::vector<std::u16string>& args) {
  AppCommand command;
  bool decided = false;
  for (const std::u16string& arg : args) {
    LaunchReason reason;
    if (IsSwitch(arg, u"boot")) reason = LaunchReason::Boot;
    else if (IsSwitch(arg, u"servicestart")) reason = LaunchReason::ServiceStart;
    else if (IsSwitch(arg, u"serviceboot")) reason = LaunchReason::ServiceBoot;
    else {
      command.ignored.push_back(arg);
      continue;
    }
    if (decided) {
      command.ignored.push_back(arg);  // the first switch decides
    } else {
      command.reason = reason;
      decided = true;
    }
  }
  return command;
}

const char16_t* LaunchReasonText(LaunchReason reason) {
  switch (reason) {
    case LaunchReason::Boot: return u"started at logon (-boot)";
    case LaunchReason::ServiceStart: return u"started by the service (-servicestart)";
    case LaunchReason::ServiceBoot: return u"started by the service at system start (-serviceboot)";
    case LaunchReason::User: break;
  }
  return u"started by the user";
}

bool StartsMinimised(LaunchReason reason) {
  return reason == LaunchReason::Boot || reason == LaunchReason::ServiceBoot;
}

UninstallCommand ParseUninstallArguments(const std::vector<std::u16string>& args) {
  UninstallCommand command;
  for (const std::u16string& arg : args) {
    if (IsSwitch(arg, u"RemoveUserData")) {
      command.removeUserData = true;
    } else if (IsSwitch(arg, u"KeepUserData")) {
      command.keepUserData = true;
    } else if (IsSwitch(arg, u"S")) {
      command.silent = true;
    } else {
      command.ok = false;
      command.error = arg;
      return command;
    }
  }
  if (command.removeUserData && command.keepUserData) {
    command.ok = false;
    command.error = u"/RemoveUserData /KeepUserData";
  }
  return command;
}

}  // namespace payload
