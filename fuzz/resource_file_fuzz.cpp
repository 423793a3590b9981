// Fuzz target of the whole resource file, on arbitrary file contents: read as a
// resource, written back by the store, read again.
//  - a file that cannot be loaded refuses the write with the reading's own problem and
//    keeps every byte;
//  - any other file is written the way three one-shot writes of the three keys leave a
//    copy of it: every entry that the write does not set survives in its section and
//    order, and "on disk already" means exactly that the bytes did not change;
//  - the record read back equals the one written whenever the grammar carries it;
//  - a value with a line break is refused and leaves the file byte for byte.
// A file that names no resource gets the record of a new TCP/IP resource written into it.
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "platform/text.h"
#include "port_grammar.h"
#include "profile/profile_calls.h"
#include "profile/profile_document.h"
#include "resources/resource_file.h"
#include "workspace/resource_store.h"

namespace {

using namespace tirv;

// A folder of our own on a memory file system when there is one (writes flush to disk),
// removed when the run ends. Its name is kept where no destructor can reach it first.
char workFolder[64];

void RemoveWorkFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(workFolder, ignored);
}

std::string WorkFolder() {
  struct stat st;
  const char* base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
  std::snprintf(workFolder, sizeof workFolder, "%s/tirv-fuzz-XXXXXX", base);
  if (::mkdtemp(workFolder) == nullptr) std::abort();
  std::atexit(RemoveWorkFolder);
  return workFolder;
}

void WriteInput(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::abort();
  }
  if (std::fclose(f) != 0) std::abort();
}

std::string ReadBack(const std::string& path) {
  std::string bytes;
  if (ReadWholeFile(Utf8ToUtf16(path), bytes) != ReadOutcome::kRead) std::abort();
  return bytes;
}

ResourceRecord NewResource() {
  ResourceRecord record =
      ParsePortText(schema::kNewResourcePort, port_text::kAdaptLittleEndian).record;
  record.name = u"R.opc";
  return record;
}

struct Key {
  std::u16string_view section;
  std::u16string_view key;
};

std::vector<Key> KeysSetFor(const ResourceRecord& record) {
  std::vector<Key> keys = {{schema::kGeneralSettings, schema::kAdaptationComponent}};
  if (IsPortKind(record.portKind)) {
    keys.push_back({schema::kOnline, schema::kComTeleLength});
    keys.push_back({schema::kOnline, schema::kComPort});
  }
  return keys;
}

// Every entry but the ones a write of `keys` sets (the first entry of its key in the
// first section of its name), with the place and name of its section.
using Entry = std::tuple<std::size_t, std::u16string, std::u16string, std::u16string>;
std::vector<ProfileSectionCopy> SectionsOf(const ProfileDocument& document) {
  std::vector<ProfileSectionCopy> sections;
  if (Failed(document.Sections(sections))) std::abort();
  return sections;
}

std::vector<Entry> EntriesNotSet(const ProfileDocument& document, const std::vector<Key>& keys) {
  const std::vector<ProfileSectionCopy> sections = SectionsOf(document);
  std::vector<std::pair<std::size_t, std::size_t>> set;
  for (const Key& k : keys) {
    for (std::size_t s = 0; s < sections.size(); ++s) {
      if (!EqualsIgnoreCase(sections[s].name, k.section)) continue;
      for (std::size_t e = 0; e < sections[s].entries.size(); ++e) {
        if (!EqualsIgnoreCase(sections[s].entries[e].key, k.key)) continue;
        set.emplace_back(s, e);
        break;
      }
      break;
    }
  }
  std::vector<Entry> entries;
  for (std::size_t s = 0; s < sections.size(); ++s) {
    for (std::size_t e = 0; e < sections[s].entries.size(); ++e) {
      if (std::find(set.begin(), set.end(), std::make_pair(s, e)) != set.end()) continue;
      const ProfileEntryCopy& entry = sections[s].entries[e];
      entries.emplace_back(s, sections[s].name, entry.key, entry.value);
    }
  }
  return entries;
}

// What three one-shot writes leave in a copy that held `original`.
std::string AfterOneShotWrites(const std::string& copy, std::string_view original,
                               const ResourceRecord& r) {
  WriteInput(copy, original);
  const std::u16string file = Utf8ToUtf16(copy);
  int done = WriteProfileString(schema::kGeneralSettings, schema::kAdaptationComponent,
                                AdaptationOf(r.alignment), file);
  if (IsPortKind(r.portKind)) {
    done +=
        WriteProfileString(schema::kOnline, schema::kComTeleLength, TeleLengthOf(r.portKind), file);
    done += WriteProfileString(schema::kOnline, schema::kComPort, FormatPortText(r), file);
  }
  if (done != static_cast<int>(KeysSetFor(r).size())) std::abort();
  return ReadBack(copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = WorkFolder();
  const std::u16string wfolder = Utf8ToUtf16(folder);
  const std::string path = folder + "/R.opc";
  const std::string original(reinterpret_cast<const char*>(data), size);
  WriteInput(path, original);

  // Written whatever it held before, into the file as it was read.
  ResourceStore store(wfolder);
  const ResourceFileReading reading = store.workspace().Read(u"R.opc");
  const ResourceFault fault = reading.problem.fault;
  const bool loadable = reading.problem.ok() || fault == ResourceFault::kNoComPort ||
                        fault == ResourceFault::kUnknownPortText;
  if (!loadable && fault != ResourceFault::kZeroByte && fault != ResourceFault::kBadLine) {
    std::abort();  // a regular file is always read
  }
  const ResourceRecord record = reading.problem.ok() ? reading.record : NewResource();

  RecordBaseline baseline = reading.baseline;
  baseline.held = false;
  const auto position = store.Append(record, baseline);
  const WriteResult result = store.Write(position, false);
  if (!loadable) {
    if (result.outcome != WriteOutcome::kFailed || result.problem.fault != fault) std::abort();
    if (ReadBack(path) != original) std::abort();
    return 0;
  }
  // A parameter with a blank at an end is refused when it is to be written, whole or not
  // at all; the file stays as it was.
  if (result.outcome == WriteOutcome::kFailed &&
      result.problem.fault == ResourceFault::kBlankEnds) {
    const std::u16string& parameter = record.parameter;
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    if (parameter.empty() || (!blank(parameter.front()) && !blank(parameter.back()))) {
      std::abort();
    }
    if (ReadBack(path) != original) std::abort();
    return 0;
  }
  if (result.outcome != WriteOutcome::kWritten && result.outcome != WriteOutcome::kOnDisk) {
    std::abort();
  }
  const std::string written = ReadBack(path);
  if ((result.outcome == WriteOutcome::kOnDisk) != (written == original)) std::abort();
  const std::string copy = folder + "/copy.ini";
  if (AfterOneShotWrites(copy, original, record) != written) std::abort();

  // The entries of the file as it was, and as it is now.
  ProfileDocument before;
  ProfileDocument after;
  WriteInput(copy, original);
  if (Failed(before.Load(Utf8ToUtf16(copy))) || Failed(after.Load(Utf8ToUtf16(path)))) {
    std::abort();
  }
  const std::vector<Key> keys = KeysSetFor(record);
  if (EntriesNotSet(after, keys) != EntriesNotSet(before, keys)) std::abort();
  // Sections stay in place; only the two of the schema may be added, at the end.
  const std::vector<ProfileSectionCopy> was = SectionsOf(before);
  const std::vector<ProfileSectionCopy> is = SectionsOf(after);
  if (is.size() < was.size()) std::abort();
  for (std::size_t s = 0; s < is.size(); ++s) {
    const bool kept = s < was.size()
                          ? is[s].name == was[s].name
                          : is[s].name == schema::kGeneralSettings || is[s].name == schema::kOnline;
    if (!kept) std::abort();
  }

  if (fuzzing::WithinGrammar(record)) {
    const ResourceFileReading again = store.workspace().Read(u"R.opc");
    if (!again.problem.ok() || !(again.record == record)) std::abort();
  }

  // A pasted line break is refused before anything is written.
  position->portKind = kPortTcpIp;
  position->parameter += u"\r\n[Injected]";
  const WriteResult refused = store.Write(position, true);
  if (refused.outcome != WriteOutcome::kFailed ||
      refused.problem.fault != ResourceFault::kLineBreak || ReadBack(path) != written) {
    std::abort();
  }
  return 0;
}
