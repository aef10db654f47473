#include "payload/common/LaunchModes.h"

#include "payload/common/CommandLine.h"

namespace payload {

std::vector<LaunchModeName> LaunchModeNames() {
  static const struct {
    const char16_t* stem;
    bool onBoot;
  } kModes[] = {
      {u"UserPrivilegeExecution_", false},       {u"AdminPrivilegeExecution_", false},
      {u"SystemPrivilegeExecution_", false},     {u"SystemPrivilegeExecutionOnBoot_", true},
      {u"AdminPrivilegeExecutionOnBoot_", true},
  };
  std::vector<LaunchModeName> names;
  for (char16_t group : {u'C', u'B', u'D'})
    for (int digit = 0; digit < 5; ++digit)
      names.push_back(
          {kModes[digit].stem + std::u16string(1, group) + static_cast<char16_t>(u'0' + digit),
           group, kModes[digit].onBoot});
  return names;
}

std::u16string MakeLaunchLine(const LaunchModeName& name, const std::u16string& appPath) {
  return u"\"" + appPath + u"\" " + (name.onBoot ? kServiceBootSwitch : kServiceStartSwitch);
}

LaunchLine ParseLaunchLine(const std::u16string& line) {
  LaunchLine result;
  if (line.empty() || line[0] != u'"') {
    result.problem = u"the application path is not quoted";
    return result;
  }
  const std::size_t close = line.find(u'"', 1);
  if (close == std::u16string::npos) {
    result.problem = u"the closing quote is missing";
    return result;
  }
  result.path = line.substr(1, close - 1);
  if (result.path.empty()) {
    result.problem = u"the application path is empty";
    return result;
  }
  std::u16string rest = line.substr(close + 1);
  if (!rest.empty() && rest[0] != u' ') {
    result.problem = u"no space after the quoted path";
    return result;
  }
  const std::size_t start = rest.find_first_not_of(u' ');
  result.argument = start == std::u16string::npos ? u"" : rest.substr(start);
  result.ok = true;
  return result;
}

LaunchLine CheckLaunchValue(const LaunchModeName& name, const std::u16string& data) {
  LaunchLine line = ParseLaunchLine(data);
  if (!line.ok) return line;
  const char16_t* expected = name.onBoot ? kServiceBootSwitch : kServiceStartSwitch;
  if (!EqualsAsciiNoCase(line.argument, expected)) {
    line.ok = false;
    line.problem = u"expected the argument " + std::u16string(expected) + u", found \"" +
                   line.argument + u"\"";
  }
  return line;
}

}  // namespace payload
