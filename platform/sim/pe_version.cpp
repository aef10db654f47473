// Version resources of PE images (pe_version.h).
#include "platform/sim/pe_version.h"

#include <algorithm>

#include "platform/text.h"

namespace pe {

namespace {

constexpr std::uint32_t kResourceTypeVersion = 16;
constexpr std::uint32_t kVersionInfoName = 1;
constexpr std::uint32_t kHighBit = 0x80000000u;

// Little-endian reads that fail instead of reading past `size`.
struct Bytes {
  const std::uint8_t* data;
  std::size_t size;

  bool Has(std::size_t offset, std::size_t length) const {
    return offset <= size && length <= size - offset;
  }
  std::uint16_t U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
  }
  std::uint32_t U32(std::size_t offset) const {
    return static_cast<std::uint32_t>(data[offset]) |
           (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data[offset + 3]) << 24);
  }
};

struct Section {
  std::uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

// File offset of `length` bytes at `rva`, or false when they are not all in one section's
// file data.
bool RvaToOffset(const Bytes& file, const std::vector<Section>& sections, std::uint32_t rva,
                 std::uint32_t length, std::size_t* offset) {
  for (const auto& s : sections) {
    const std::uint32_t span = s.virtualSize ? s.virtualSize : s.rawSize;
    if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
    const std::uint64_t inSection = rva - s.virtualAddress;
    if (inSection + length > s.rawSize) return false;
    const std::uint64_t at = static_cast<std::uint64_t>(s.rawOffset) + inSection;
    if (!file.Has(static_cast<std::size_t>(at), length)) return false;
    *offset = static_cast<std::size_t>(at);
    return true;
  }
  return false;
}

struct DirectoryEntry {
  std::uint32_t id;      // name or ID field
  std::uint32_t target;  // offset field
};

// The entries of the resource directory at `offset` of the resource area, or false.
bool ReadDirectory(const Bytes& area, std::uint32_t offset, std::vector<DirectoryEntry>* out) {
  if (!area.Has(offset, 16)) return false;
  const std::size_t count = static_cast<std::size_t>(area.U16(offset + 12)) + area.U16(offset + 14);
  if (!area.Has(offset + 16, count * 8)) return false;
  out->clear();
  for (std::size_t i = 0; i < count; ++i)
    out->push_back({area.U32(offset + 16 + i * 8), area.U32(offset + 20 + i * 8)});
  return true;
}

// The sub-directory offset of the entry with numeric ID `id`, or false.
bool FindSubdirectory(const std::vector<DirectoryEntry>& entries, std::uint32_t id,
                      std::uint32_t* offset) {
  for (const auto& e : entries)
    if (!(e.id & kHighBit) && e.id == id && (e.target & kHighBit)) {
      *offset = e.target & ~kHighBit;
      return true;
    }
  return false;
}

std::size_t Align4(std::size_t n) { return (n + 3) & ~static_cast<std::size_t>(3); }

// One node of a VS_VERSIONINFO tree.
struct Node {
  std::size_t begin = 0, end = 0;
  std::u16string key;
  std::size_t valueOffset = 0;
  std::uint16_t valueLength = 0;  // as stored
  std::size_t childrenOffset = 0;
};

bool ReadNode(const Bytes& block, std::size_t offset, std::size_t limit, Node* node) {
  if (offset > limit || limit - offset < 6) return false;
  const std::uint16_t length = block.U16(offset);
  if (length < 6 || length > limit - offset) return false;
  node->begin = offset;
  node->end = offset + length;
  node->valueLength = block.U16(offset + 2);
  const bool isText = block.U16(offset + 4) == 1;
  node->key.clear();
  std::size_t at = offset + 6;
  for (;; at += 2) {
    if (at + 2 > node->end) return false;  // key without its terminator
    const char16_t c = block.U16(at);
    if (c == 0) break;
    node->key += c;
  }
  node->valueOffset = Align4(at + 2);
  std::size_t valueBytes = isText ? node->valueLength * std::size_t{2} : node->valueLength;
  if (node->valueOffset > node->end) node->valueOffset = node->end;
  if (valueBytes > node->end - node->valueOffset) {
    // A value longer than its node is cut at the node's end, so no reader runs past it.
    valueBytes = node->end - node->valueOffset;
    node->valueLength = static_cast<std::uint16_t>(isText ? valueBytes / 2 : valueBytes);
  }
  node->childrenOffset = Align4(node->valueOffset + valueBytes);
  return true;
}

bool FindChild(const Bytes& block, const Node& parent, const std::u16string& key, Node* child) {
  std::size_t at = parent.childrenOffset;
  while (at < parent.end) {
    Node candidate;
    if (!ReadNode(block, at, parent.end, &candidate)) return false;
    if (text::EqualsNoCase(candidate.key, key)) {
      *child = candidate;
      return true;
    }
    at = Align4(candidate.end);  // each node has length >= 6: the walk always advances
  }
  return false;
}

}  // namespace

os::DWORD FindVersionResource(const std::vector<std::uint8_t>& image, std::size_t* offset,
                              std::size_t* size) {
  const Bytes file{image.data(), image.size()};
  if (!file.Has(0, 0x40) || file.data[0] != 'M' || file.data[1] != 'Z') return ERROR_BAD_FORMAT;
  const std::uint32_t peOffset = file.U32(0x3C);
  if (!file.Has(peOffset, 24) || file.U32(peOffset) != 0x00004550u) return ERROR_BAD_FORMAT;
  const std::size_t coff = peOffset + 4;
  const std::uint16_t sectionCount = file.U16(coff + 2);
  const std::uint16_t optionalSize = file.U16(coff + 16);
  const std::size_t optional = coff + 20;
  if (!file.Has(optional, optionalSize) || optionalSize < 2) return ERROR_BAD_FORMAT;
  const std::uint16_t magic = file.U16(optional);
  std::size_t countField, directories;
  if (magic == 0x10B) {
    countField = 92;
    directories = 96;
  } else if (magic == 0x20B) {
    countField = 108;
    directories = 112;
  } else {
    return ERROR_BAD_FORMAT;
  }
  if (optionalSize < countField + 4) return ERROR_BAD_FORMAT;
  const std::uint32_t directoryCount = file.U32(optional + countField);
  const std::size_t resourceEntry = directories + 2 * 8;
  // No resource section at all is reported differently from resources without a version.
  if (directoryCount <= 2 || optionalSize < resourceEntry + 8) return ERROR_RESOURCE_DATA_NOT_FOUND;
  const std::uint32_t resourceRva = file.U32(optional + resourceEntry);
  if (resourceRva == 0) return ERROR_RESOURCE_DATA_NOT_FOUND;

  const std::size_t sectionTable = optional + optionalSize;
  if (!file.Has(sectionTable, static_cast<std::size_t>(sectionCount) * 40)) return ERROR_BAD_FORMAT;
  std::vector<Section> sections;
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::size_t s = sectionTable + i * 40;
    sections.push_back({file.U32(s + 12), file.U32(s + 8), file.U32(s + 16), file.U32(s + 20)});
  }
  // The resource area: from the directory's start to the end of its section's file data.
  std::size_t areaStart = 0;
  if (!RvaToOffset(file, sections, resourceRva, 16, &areaStart)) return ERROR_BAD_FORMAT;
  std::size_t areaEnd = areaStart;
  for (const auto& s : sections)
    if (areaStart >= s.rawOffset && areaStart - s.rawOffset < s.rawSize)
      areaEnd = std::min<std::size_t>(file.size, static_cast<std::size_t>(s.rawOffset) + s.rawSize);
  const Bytes area{file.data + areaStart, areaEnd - areaStart};

  std::vector<DirectoryEntry> entries;
  std::uint32_t names = 0, languages = 0;
  if (!ReadDirectory(area, 0, &entries)) return ERROR_BAD_FORMAT;
  if (!FindSubdirectory(entries, kResourceTypeVersion, &names))
    return ERROR_RESOURCE_TYPE_NOT_FOUND;
  if (!ReadDirectory(area, names, &entries)) return ERROR_BAD_FORMAT;
  if (!FindSubdirectory(entries, kVersionInfoName, &languages))
    return ERROR_RESOURCE_NAME_NOT_FOUND;
  if (!ReadDirectory(area, languages, &entries)) return ERROR_BAD_FORMAT;
  const DirectoryEntry* chosen = nullptr;
  for (const auto& e : entries) {
    if (e.target & kHighBit) continue;  // a language entry points at data, not deeper
    if (!chosen || e.id == 0) chosen = &e;
    if (e.id == 0) break;
  }
  if (!chosen) return ERROR_RESOURCE_LANG_NOT_FOUND;
  if (!area.Has(chosen->target, 16)) return ERROR_BAD_FORMAT;
  const std::uint32_t dataRva = area.U32(chosen->target);
  const std::uint32_t dataSize = area.U32(chosen->target + 4);
  if (!RvaToOffset(file, sections, dataRva, dataSize, offset)) return ERROR_RESOURCE_DATA_NOT_FOUND;
  *size = dataSize;
  return ERROR_SUCCESS;
}

std::size_t VersionBlockLength(const std::uint8_t* block, std::size_t size) {
  if (!block || size < 6) return 0;
  const std::size_t length = Bytes{block, size}.U16(0);
  return length >= 6 && length <= size ? length : 0;
}

bool QueryVersionValue(const std::uint8_t* block, std::size_t size, const std::u16string& subBlock,
                       const std::uint8_t** value, std::uint32_t* length) {
  const Bytes bytes{block, size};
  Node node;
  if (!block || !ReadNode(bytes, 0, size, &node)) return false;
  std::u16string name;
  for (std::size_t i = 0; i <= subBlock.size(); ++i) {
    if (i < subBlock.size() && subBlock[i] != u'\\') {
      name += subBlock[i];
      continue;
    }
    if (name.empty()) continue;
    Node child;
    if (!FindChild(bytes, node, name, &child)) return false;
    node = child;
    name.clear();
  }
  *value = block + node.valueOffset;
  *length = node.valueLength;
  return true;
}

}  // namespace pe
