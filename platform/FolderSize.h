// The size of a folder's files, as the list of installed programs reports it.
#pragma once

#include <cstdint>
#include <string>

// Sum of the sizes of all files in `folder` (ending in a backslash) and its sub-folders.
// Links to other folders are not entered: what they hold is not the product's.
std::uint64_t FolderSize(const std::u16string& folder);
