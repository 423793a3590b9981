// Fuzz target of the whole resource file, on arbitrary file contents: bytes in, read as
// a resource, saved, read again. The record read back equals the first one whenever the
// grammar can carry it, the file still loads, and every entry that the save does not
// write survives in its section and order.
#include <stdlib.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "port_grammar.h"
#include "profile_document.h"
#include "resource_file.h"
#include "text.h"

namespace {

using namespace tirv;

class QuietEditor : public ResourceEditorLink {
 public:
  void SelectPortKind(std::int32_t) override {}
  void ApplicationMessageBox(std::u16string_view) override {}
};

// A folder of our own on a memory file system when there is one: saves flush to disk.
std::string WorkFolder() {
  struct stat st;
  const char* base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/tirv-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

bool WrittenBySave(std::u16string_view key) {
  return EqualsIgnoreCase(key, schema::kAdaptationComponent) ||
         EqualsIgnoreCase(key, schema::kComTeleLength) || EqualsIgnoreCase(key, schema::kComPort);
}

using Entry = std::tuple<std::u16string, std::u16string, std::u16string>;

std::vector<Entry> UntouchedEntries(const ProfileDocument& document) {
  std::vector<ProfileSectionCopy> sections;
  if (Failed(document.Sections(sections))) std::abort();
  std::vector<Entry> entries;
  for (const ProfileSectionCopy& s : sections) {
    for (const ProfileEntryCopy& e : s.entries) {
      if (!WrittenBySave(e.key)) entries.emplace_back(s.name, e.key, e.value);
    }
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = WorkFolder();
  const std::u16string wfolder = Utf8ToUtf16(folder);
  WriteInput(folder + "/R.opc", data, size);

  ProfileDocument before;
  if (Failed(before.Load(wfolder + u"/R.opc"))) return 0;  // the profile target covers these
  QuietEditor editor;
  ResourceList list;
  ResourceFiles files(list, wfolder, editor);
  files.LoadResourceFile(u"R.opc");
  if (list.Count() != 1 || !IsPortKind(list.begin()->portKind)) return 0;
  const ResourceRecord first = *list.begin();
  if (Failed(files.SaveAllResources())) std::abort();

  ProfileDocument after;
  if (Failed(after.Load(wfolder + u"/R.opc"))) std::abort();
  if (UntouchedEntries(after) != UntouchedEntries(before)) std::abort();
  if (!fuzzing::WithinGrammar(first)) return 0;
  ResourceList again;
  ResourceFiles(again, wfolder, editor).LoadResourceFile(u"R.opc");
  if (again.Count() != 1 || !(*again.begin() == first)) std::abort();
  return 0;
}
