// Conformance: names beyond the Basic Multilingual Plane (surrogate pairs, which the upcase
// table of NTFS does not fold), wildcards over Greek and Cyrillic names, and the 255-character
// limit of one name.
#include <string>

#include "platform/os_files.h"
#include "tests/conformance/conformance.h"

namespace {

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

std::u16string Base() { return conf::Scratch() + u"unicode\\"; }

}  // namespace

CONFORMANCE_SCENARIO(files_names_beyond_the_bmp, 80) {
  os::CreateDirectoryW(Base());
  const std::u16string emoji = Base() + u"zkt-\U0001F600.txt";
  conf::WriteText(emoji, "smile");
  conf::Line("a name with a surrogate pair reads %s", conf::ReadText(emoji).c_str());
  conf::PrintFound("  listed", Base() + u"zkt-*");
  // Deseret small letter long i (U+10428) and its capital (U+10400): Windows does not fold them.
  conf::WriteText(Base() + u"\U00010428.txt", "deseret");
  conf::PrintAttributes("the capital of a letter beyond the BMP", Base() + u"\U00010400.txt");
  conf::PrintAttributes("the letter itself", Base() + u"\U00010428.txt");
  os::SetLastError(conf::kPoison);
  conf::Check("DeleteFileW of the name with a surrogate pair", os::DeleteFileW(emoji));
  os::DeleteFileW(Base() + u"\U00010428.txt");
}

CONFORMANCE_SCENARIO(files_find_case_beyond_latin1, 80) {
  conf::WriteText(Base() + u"αβγδ.txt", "greek");
  conf::WriteText(Base() + u"привет.txt", "cyrillic");
  conf::WriteText(Base() + u"ŁÓDŹ.TXT", "polish");
  conf::PrintFound("ΑΒΓ*", Base() + u"ΑΒΓ*");
  conf::PrintFound("ПРИ?ЕТ.TXT", Base() + u"ПРИ?ЕТ.TXT");
  conf::PrintFound("łódź.*", Base() + u"łódź.*");
  conf::PrintFound("*Δ.TXT", Base() + u"*Δ.TXT");
  for (const char16_t* name : {u"αβγδ.txt", u"привет.txt", u"ŁÓDŹ.TXT"})
    os::DeleteFileW(Base() + name);
}

CONFORMANCE_SCENARIO(files_name_length, 80) {
  // The long path prefix lifts MAX_PATH, so only the limit of one name remains.
  const std::u16string prefix = u"\\\\?\\" + Base();
  for (std::size_t length : {255u, 256u}) {
    const std::u16string name(length, u'n');
    os::SetLastError(conf::kPoison);
    const os::HANDLE h = os::CreateFileW(prefix + name, GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    conf::Line("file name of %u characters: %s, last error %lu", static_cast<unsigned>(length),
               h == INVALID_HANDLE_VALUE ? "failed" : "opened",
               U(h == INVALID_HANDLE_VALUE ? os::GetLastError() : 0));
    if (h != INVALID_HANDLE_VALUE) os::CloseHandle(h);
    os::SetLastError(conf::kPoison);
    conf::PrintResult("  CreateDirectoryW of that name + \"d\"",
                      os::CreateDirectoryW(prefix + name.substr(1) + u"d"));
    os::DeleteFileW(prefix + name);
    os::RemoveDirectoryW(prefix + name.substr(1) + u"d");
  }
  os::SetLastError(conf::kPoison);
  conf::Check("unicode folder removed", os::RemoveDirectoryW(Base()));
}
