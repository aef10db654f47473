#include "platform/PayloadResource.h"
#include "platform/OwnedHandles.h"

#include "platform/os_files.h"
#include "platform/os_resources.h"

const void* LoadPayloadResource(std::uint16_t id, std::u16string type, std::uint32_t& size) {
  os::HRSRC resource = os::FindResourceW(type, id);
  if (!resource) return nullptr;
  const os::DWORD bytes = os::SizeofResource(resource);
  if (bytes == 0) return nullptr;  // an empty payload counts as missing
  os::HGLOBAL loaded = os::LoadResource(resource);
  if (!loaded) return nullptr;
  const void* data = os::LockResource(loaded);
  if (!data) return nullptr;
  size = bytes;
  return data;
}

int WritePayloadFile(std::u16string path, const void* data, std::uint32_t size) {
  // Shared as the C runtime's "wb" shares: a reader that lets others write (a virus scanner)
  // does not stop the write; a running program, whose image Windows holds without write
  // sharing, still does.
  const os::OwnedFile file(os::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  if (!file) return 1;
  os::DWORD written = 0;
  const bool ok = os::WriteFile(file.get(), data, size, &written) != FALSE;
  return ok && written == size ? 0 : 2;
}
