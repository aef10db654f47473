// What the device operations ask of a list of supported devices: whether a hardware ID is on
// it. The whitelist of the configuration layer answers it.
#pragma once

#include <string>

namespace INSTALL_MGR {

class DeviceIdMatcher {
 public:
  virtual bool MatchDeviceId(std::u16string hardwareId) const = 0;

 protected:
  ~DeviceIdMatcher() = default;
};

}  // namespace INSTALL_MGR
