// Exit codes of the setup program. The wizard always ends with 0; an unattended run (/S)
// tells management tools how it went. Documented in the README.
#pragma once

#include <cstdint>

enum : std::uint32_t {
  SETUP_EXIT_SUCCESS = 0,
  SETUP_EXIT_DEVICE_ID_GROUP_FAILED = 13,    // ERROR_INVALID_DATA
  SETUP_EXIT_PATH_TOO_LONG = 206,            // ERROR_FILENAME_EXCED_RANGE
  SETUP_EXIT_INSTALL_FAILED = 1603,          // ERROR_INSTALL_FAILURE: an unexpected error
  SETUP_EXIT_CONFIG_NOT_LOADED = 1610,       // ERROR_BAD_CONFIGURATION
  SETUP_EXIT_REBOOT_INITIATED = 1641,        // ERROR_SUCCESS_REBOOT_INITIATED
  SETUP_EXIT_PREVIOUS_FILTER_LOADED = 2404,  // ERROR_DEVICE_IN_USE
  SETUP_EXIT_REBOOT_REQUIRED = 3010,         // ERROR_SUCCESS_REBOOT_REQUIRED
  // A failing step ends with the code its message shows: 0x80000001 ... 0x80000008.
};
