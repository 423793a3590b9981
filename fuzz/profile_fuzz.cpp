// Fuzz target of the profile engine, on arbitrary file contents:
//  - a file that loads with a failure is left byte for byte as it was by a one-shot
//    write, and a one-shot read of it gives 0 and an empty text;
//  - whatever the first load kept, saved and loaded again, loads without failure and
//    gives exactly the same sections and entries.
#include <stdlib.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "files.h"
#include "profile_calls.h"
#include "profile_document.h"
#include "text.h"

namespace {

using namespace tirv;

// A folder of our own for the whole run, on a memory file system when there is one:
// every save flushes to disk, which would make each input cost milliseconds.
std::string WorkFolder() {
  struct stat st;
  const char* base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/tirv-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) ::abort();
  return pattern;
}

void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) ::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) ::abort();
  if (std::fclose(f) != 0) ::abort();
}

std::string ReadBack(const std::u16string& path) {
  std::string bytes;
  if (ReadWholeFile(path, bytes) != ReadOutcome::kRead) ::abort();
  return bytes;
}

std::vector<ProfileSectionCopy> SectionsOf(const ProfileDocument& document) {
  std::vector<ProfileSectionCopy> sections;
  if (document.Sections(sections) != 0) ::abort();
  return sections;
}

void CheckFailedLoadChangesNothing(const std::u16string& path, std::string_view original) {
  char16_t buffer[64] = u"untouched";
  if (ReadProfileString(u"Online", u"ComPort", u"dflt", buffer, 64, path) != 0) ::abort();
  if (buffer[0] != u'\0') ::abort();
  if (WriteProfileString(u"Online", u"ComPort", u"COM2", path) != 0) ::abort();
  if (ReadBack(path) != original) ::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = WorkFolder();
  const std::string native = folder + "/input.ini";
  const std::u16string path = Utf8ToUtf16(native);
  WriteInput(native, data, size);

  ProfileDocument first;
  if (Failed(first.Load(path))) {
    CheckFailedLoadChangesNothing(path, {reinterpret_cast<const char*>(data), size});
  }
  if (Failed(first.Save())) ::abort();

  ProfileDocument second;
  if (second.Load(path) != 0) ::abort();
  if (SectionsOf(first) != SectionsOf(second)) ::abort();
  // Saving what was read back gives the same bytes again.
  const std::string saved = ReadBack(path);
  if (second.Save() != 0 || ReadBack(path) != saved) ::abort();
  return 0;
}
