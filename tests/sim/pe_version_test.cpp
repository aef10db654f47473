#include "platform/sim/pe_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "platform/VersionInfoMgr.h"
#include "platform/os_files.h"
#include "platform/os_system.h"
#include "support/sim_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes* b, std::uint16_t v) {
  b->push_back(static_cast<std::uint8_t>(v));
  b->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes* b, std::uint32_t v) {
  Put16(b, static_cast<std::uint16_t>(v));
  Put16(b, static_cast<std::uint16_t>(v >> 16));
}
void Set16(Bytes* b, std::size_t at, std::uint16_t v) {
  (*b)[at] = static_cast<std::uint8_t>(v);
  (*b)[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Set32(Bytes* b, std::size_t at, std::uint32_t v) {
  Set16(b, at, static_cast<std::uint16_t>(v));
  Set16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
void Pad4(Bytes* b) {
  while (b->size() % 4) b->push_back(0);
}

// One VS_VERSIONINFO node: header, key, value, children, each part aligned to 4 bytes.
Bytes Node(const std::u16string& key, std::uint16_t type, const Bytes& value,
           std::uint16_t valueLength, const std::vector<Bytes>& children) {
  Bytes b;
  Put16(&b, 0);
  Put16(&b, valueLength);
  Put16(&b, type);
  for (char16_t c : key) Put16(&b, c);
  Put16(&b, 0);
  Pad4(&b);
  b.insert(b.end(), value.begin(), value.end());
  for (const auto& child : children) {
    Pad4(&b);
    b.insert(b.end(), child.begin(), child.end());
  }
  Set16(&b, 0, static_cast<std::uint16_t>(b.size()));
  return b;
}

Bytes TextValue(const std::u16string& s) {
  Bytes b;
  for (char16_t c : s) Put16(&b, c);
  Put16(&b, 0);
  return b;
}

// A version block for file version 1.2.3.4 and product version 5.6.7.8.
Bytes VersionBlock() {
  Bytes fixed;
  for (std::uint32_t v : {0xFEEF04BDu, 0x00010000u, 0x00010002u, 0x00030004u, 0x00050006u,
                          0x00070008u, 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u})
    Put32(&fixed, v);
  const Bytes table = Node(u"040904b0", 1, {}, 0,
                           {Node(u"FileVersion", 1, TextValue(u"1.2.3.4"), 8, {}),
                            Node(u"ProductName", 1, TextValue(u"ZKT Audio"), 10, {})});
  Bytes translation;
  Put32(&translation, 0x04B00409);
  return Node(u"VS_VERSION_INFO", 0, fixed, 52,
              {Node(u"StringFileInfo", 1, {}, 0, {table}),
               Node(u"VarFileInfo", 1, {}, 0, {Node(u"Translation", 0, translation, 4, {})})});
}

// A minimal PE image (PE32 or PE32+) with one .rsrc section holding `block` as the version
// resource (type 16, name 1, language 0x409). `withResources` false leaves the directory empty.
Bytes BuildPe(bool pe32plus, const Bytes& block, bool withResources = true) {
  const std::uint32_t rsrcRva = 0x1000, fileAlign = 0x200;
  Bytes rsrc;
  auto directory = [&](std::uint32_t id, std::uint32_t target) {
    for (int i = 0; i < 3; ++i) Put32(&rsrc, 0);
    Put16(&rsrc, 0);
    Put16(&rsrc, 1);
    Put32(&rsrc, id);
    Put32(&rsrc, target);
  };
  directory(16, 0x80000018);
  directory(1, 0x80000030);
  directory(0x409, 0x48);
  Put32(&rsrc, rsrcRva + 0x58);
  Put32(&rsrc, static_cast<std::uint32_t>(block.size()));
  Put32(&rsrc, 0);
  Put32(&rsrc, 0);
  rsrc.insert(rsrc.end(), block.begin(), block.end());

  Bytes pe(0x40, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  Set32(&pe, 0x3C, 0x40);
  Put32(&pe, 0x00004550);
  const std::uint16_t optionalSize = pe32plus ? 240 : 224;
  Put16(&pe, pe32plus ? 0x8664 : 0x14C);
  Put16(&pe, 1);
  for (int i = 0; i < 3; ++i) Put32(&pe, 0);
  Put16(&pe, optionalSize);
  Put16(&pe, 0x0102);
  const std::size_t optional = pe.size();
  pe.resize(optional + optionalSize, 0);
  Set16(&pe, optional, pe32plus ? 0x20B : 0x10B);
  const std::size_t countField = optional + (pe32plus ? 108 : 92);
  Set32(&pe, countField, 16);
  if (withResources) {
    Set32(&pe, countField + 4 + 2 * 8, rsrcRva);
    Set32(&pe, countField + 8 + 2 * 8, static_cast<std::uint32_t>(rsrc.size()));
  }
  const std::size_t rawSize = (rsrc.size() + fileAlign - 1) / fileAlign * fileAlign;
  Bytes section(40, 0);
  std::memcpy(section.data(), ".rsrc", 5);
  Set32(&section, 8, static_cast<std::uint32_t>(rsrc.size()));
  Set32(&section, 12, rsrcRva);
  Set32(&section, 16, static_cast<std::uint32_t>(rawSize));
  Set32(&section, 20, fileAlign);
  pe.insert(pe.end(), section.begin(), section.end());
  pe.resize(fileAlign, 0);
  pe.insert(pe.end(), rsrc.begin(), rsrc.end());
  pe.resize(fileAlign + rawSize, 0);
  return pe;
}

class PeVersionTest : public SimMachineTest {
 protected:
  void Place(const std::string& winPath, const Bytes& bytes) {
    std::filesystem::create_directories(Host(winPath).parent_path());
    std::ofstream(Host(winPath), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::u16string QueryText(const Bytes& block, const std::u16string& name) {
    const void* value = nullptr;
    os::UINT length = 0;
    if (!os::VerQueryValueW(block.data(), name, &value, &length)) return u"<none>";
    return std::u16string(static_cast<const char16_t*>(value), length ? length - 1 : 0);
  }
};

TEST_F(PeVersionTest, ReadsTheVersionBlockOfPe32AndPe32Plus) {
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    Place("C:\\P\\app.exe", BuildPe(plus, VersionBlock()));
    os::DWORD handle = 77;
    const os::DWORD size = os::GetFileVersionInfoSizeW(u"C:\\P\\app.exe", &handle);
    EXPECT_EQ(handle, 0u);
    ASSERT_GE(size, VersionBlock().size());
    Bytes block(size, 0xCC);
    ASSERT_TRUE(os::GetFileVersionInfoW(u"C:\\P\\app.exe", 0, size, block.data()));
    EXPECT_EQ(Bytes(block.begin(), block.begin() + VersionBlock().size()), VersionBlock());

    const void* value = nullptr;
    os::UINT length = 0;
    ASSERT_TRUE(os::VerQueryValueW(block.data(), u"\\", &value, &length));
    EXPECT_EQ(length, 52u);
    std::uint32_t fixed[4];
    std::memcpy(fixed, value, sizeof fixed);
    EXPECT_EQ(fixed[0], 0xFEEF04BDu);
    EXPECT_EQ(fixed[2], 0x00010002u);
    EXPECT_EQ(fixed[3], 0x00030004u);

    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\040904B0\\fileversion"), u"1.2.3.4");
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\040904b0\\ProductName"), u"ZKT Audio");
    EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\040904b0\\Comments"), u"<none>");
    EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    ASSERT_TRUE(os::VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
    EXPECT_EQ(length, 4u);
    std::uint32_t translation = 0;
    std::memcpy(&translation, value, 4);
    EXPECT_EQ(translation, 0x04B00409u);

    std::u16string text;
    EXPECT_EQ(GetFileVersionText(u"C:\\P\\app.exe", &text), 0);
    EXPECT_EQ(text, u"1.2.3.4");
  }
}

TEST_F(PeVersionTest, FilesWithoutAVersionGiveWindowsErrors) {
  Place("C:\\P\\notes.txt", Bytes{'h', 'e', 'l', 'l', 'o'});
  Place("C:\\P\\plain.exe", BuildPe(false, {}, false));
  Place("C:\\P\\app.exe", BuildPe(false, VersionBlock()));
  const struct {
    const char16_t* path;
    os::DWORD error;
  } cases[] = {
      {u"C:\\P\\notes.txt", ERROR_RESOURCE_DATA_NOT_FOUND},  // no image: no resources either
      {u"C:\\P\\plain.exe", ERROR_RESOURCE_DATA_NOT_FOUND},  // no resource section at all
      {u"C:\\P\\none.exe", ERROR_FILE_NOT_FOUND},
      {u"C:\\Q\\none.exe", ERROR_PATH_NOT_FOUND},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    os::DWORD handle = 0;
    os::SetLastError(0);
    EXPECT_EQ(os::GetFileVersionInfoSizeW(cases[i].path, &handle), 0u) << "case " << i;
    EXPECT_EQ(os::GetLastError(), cases[i].error) << "case " << i;
  }
  // A buffer shorter than the block would let VerQueryValueW read past it: refused.
  Bytes small(10);
  EXPECT_FALSE(os::GetFileVersionInfoW(u"C:\\P\\app.exe", 0, 10, small.data()));
  EXPECT_EQ(os::GetLastError(), static_cast<os::DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// Damaged images never make the reader leave the image, and a found block's values stay
// inside the block (ASan and UBSan builds turn any stray read into a failure).
TEST(PeVersionParser, DamagedImagesAreRefusedOrReadSafely) {
  const Bytes good = BuildPe(true, VersionBlock());
  auto check = [](const Bytes& image) {
    std::size_t offset = 0, size = 0;
    if (pe::FindVersionResource(image, &offset, &size) != ERROR_SUCCESS) return;
    ASSERT_LE(offset + size, image.size());
    const std::size_t length = pe::VersionBlockLength(image.data() + offset, size);
    if (length == 0) return;
    for (const char16_t* name : {u"\\", u"\\StringFileInfo\\040904b0\\FileVersion",
                                 u"\\VarFileInfo\\Translation", u"\\StringFileInfo"}) {
      const std::uint8_t* value = nullptr;
      std::uint32_t valueLength = 0;
      if (!pe::QueryVersionValue(image.data() + offset, length, name, &value, &valueLength))
        continue;
      const std::size_t at = static_cast<std::size_t>(value - (image.data() + offset));
      EXPECT_LE(at, length);
    }
  };
  for (std::size_t cut = 0; cut < good.size(); cut += 7)
    check(Bytes(good.begin(), good.begin() + cut));
  std::mt19937 random(1234);
  for (int round = 0; round < 3000; ++round) {
    Bytes image = good;
    for (int flips = 0; flips < 4; ++flips)
      image[random() % image.size()] = static_cast<std::uint8_t>(random());
    check(image);
  }
  std::size_t offset = 0, size = 0;
  EXPECT_EQ(pe::FindVersionResource(Bytes(good.begin(), good.begin() + 0x100), &offset, &size),
            static_cast<os::DWORD>(ERROR_BAD_FORMAT));
}

TEST(PeVersionParser, NodesLongerThanTheBlockAreNotFollowed) {
  Bytes block = VersionBlock();
  // StringFileInfo claims more than its parent holds: the walk stops there.
  const std::size_t stringFileInfo = 40 + 52;  // header and key padded to 40, fixed info
  Set16(&block, stringFileInfo, 0xFFF0);
  const std::uint8_t* value = nullptr;
  std::uint32_t length = 0;
  EXPECT_FALSE(pe::QueryVersionValue(block.data(), block.size(),
                                     u"\\StringFileInfo\\040904b0\\FileVersion", &value, &length));
  EXPECT_TRUE(pe::QueryVersionValue(block.data(), block.size(), u"\\", &value, &length));
}

}  // namespace
