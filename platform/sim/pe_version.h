// Version resources of program files: the RT_VERSION resource of a PE image (PE32 and PE32+)
// and the VS_VERSIONINFO tree inside it. Every read is bounds-checked: images and blocks come
// from files that may be damaged or hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os_types.h"

namespace pe {

// Finds the version resource (type 16, name 1, the neutral language or else the first one).
// Returns ERROR_SUCCESS with the resource's place in `image`, ERROR_BAD_FORMAT when the image
// is no PE file or its headers do not hold together, ERROR_RESOURCE_DATA_NOT_FOUND when it has
// no resource section, ERROR_RESOURCE_TYPE_NOT_FOUND,
// ERROR_RESOURCE_NAME_NOT_FOUND or ERROR_RESOURCE_LANG_NOT_FOUND when the resource is missing,
// ERROR_RESOURCE_DATA_NOT_FOUND when its data lies outside the image.
os::DWORD FindVersionResource(const std::vector<std::uint8_t>& image, std::size_t* offset,
                              std::size_t* size);

// The length a VS_VERSIONINFO block claims (its first WORD), or 0 when `size` bytes cannot
// hold a block of that length.
std::size_t VersionBlockLength(const std::uint8_t* block, std::size_t size);

// Looks up `subBlock` ("\\", "\\StringFileInfo\\040904b0\\FileVersion",
// "\\VarFileInfo\\Translation") in a block of `size` bytes. Names compare without regard to
// case. `length` is the value's length as stored: bytes for binary values, characters for text.
bool QueryVersionValue(const std::uint8_t* block, std::size_t size, const std::u16string& subBlock,
                       const std::uint8_t** value, std::uint32_t* length);

}  // namespace pe
