// Fuzz target of the profile engine, on arbitrary file contents:
//  - a file that loads with a failure is left byte for byte as it was by a one-shot
//    write, and a one-shot read of it gives 0 and an empty text;
//  - parsing the same bytes handed over in memory gives the same status and content;
//  - whatever the first load kept, saved and loaded again, loads without failure and
//    gives exactly the same sections and entries, and Render gives the bytes saved;
//  - a value set in the document reads back as given, or is refused with nothing changed.
#include <stdlib.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "profile/profile_calls.h"
#include "profile/profile_document.h"

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

void CheckLoadBytesAgrees(const ProfileDocument& loaded, Status status, const std::u16string& path,
                          const std::uint8_t* data, std::size_t size) {
  FileBytes bytes;
  bytes.data = std::make_unique<char[]>(size);
  if (size > 0) std::memcpy(bytes.data.get(), data, size);
  bytes.size = size;
  ProfileDocument given;
  if (given.LoadBytes(path, std::move(bytes)) != status) ::abort();
  if (SectionsOf(given) != SectionsOf(loaded)) ::abort();
}

std::u16string Trim(const std::u16string& text) {
  const std::size_t first = text.find_first_not_of(u" \t");
  if (first == std::u16string::npos) return {};
  return text.substr(first, text.find_last_not_of(u" \t") - first + 1);
}

std::vector<ProfileSectionCopy> Trimmed(std::vector<ProfileSectionCopy> sections) {
  for (ProfileSectionCopy& section : sections) {
    for (ProfileEntryCopy& entry : section.entries) {
      entry.key = Trim(entry.key);
      entry.value = Trim(entry.value);
    }
  }
  return sections;
}

// Sets a value whose three texts are cut from the input itself, so that line breaks,
// brackets and "=" turn up in them.
void CheckSetValueReadsBack(ProfileDocument& document, const std::uint8_t* data, std::size_t size) {
  const std::u16string text =
      CodePage::Default().Decode({reinterpret_cast<const char*>(data), size});
  const std::size_t third = text.size() / 3;
  const std::u16string section = text.substr(0, third);
  const std::u16string key = text.substr(third, third);
  const std::u16string value = text.substr(2 * third);
  std::string before;
  if (document.Render(before) != 0) ::abort();
  if (Failed(document.SetValue(section, key, value))) {
    std::string after;
    if (document.modified() || document.Render(after) != 0 || after != before) ::abort();
    return;
  }
  if (Failed(document.Save())) ::abort();
  ProfileDocument again;
  if (again.Load(document.path()) != 0) ::abort();
  // Blanks around a key or value are trimmed when read, as they always were.
  if (SectionsOf(again) != Trimmed(SectionsOf(document))) ::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = WorkFolder();
  const std::string native = folder + "/input.ini";
  const std::u16string path = Utf8ToUtf16(native);
  WriteInput(native, data, size);

  ProfileDocument first;
  const Status loaded = first.Load(path);
  if (Failed(loaded)) {
    CheckFailedLoadChangesNothing(path, {reinterpret_cast<const char*>(data), size});
  }
  CheckLoadBytesAgrees(first, loaded, path, data, size);
  if (Failed(first.Save())) ::abort();
  const std::string saved = ReadBack(path);
  std::string rendered;
  if (first.Render(rendered) != 0 || rendered != saved) ::abort();

  ProfileDocument second;
  if (second.Load(path) != 0) ::abort();
  if (SectionsOf(first) != SectionsOf(second)) ::abort();
  // Saving what was read back gives the same bytes again.
  if (second.Save() != 0 || ReadBack(path) != saved) ::abort();
  CheckSetValueReadsBack(second, data, size);
  return 0;
}
