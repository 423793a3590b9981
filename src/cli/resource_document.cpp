#include "cli/resource_document.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "cli/json_value.h"
#include "cli/messages.h"
#include "cli/record_output.h"
#include "platform/text.h"

namespace tirv::cli {
namespace {

using Kind = JsonValue::Kind;

constexpr std::string_view kVersion = "version";
constexpr std::string_view kResourcesMember = "resources";
constexpr std::string_view kName = "name";
constexpr std::string_view kFile = "file";

// "must be a string (or null), not a number".
std::string KindRefusal(std::string_view member, const JsonValue& value, bool nullable) {
  return messages::NotAString(member, nullable, JsonKindName(value.kind));
}

// The members a resource may have, for the refusal of any other.
std::string EntryMembers() {
  std::string members(kName);
  members += messages::kChoiceSeparator;
  members += kFile;
  members += messages::kChoiceSeparator;
  return members + KeyNameList();
}

// Reads the top-level members; the resources array, or nothing.
const JsonValue* ReadTopLevel(const JsonValue& root, std::vector<std::string>& refusals) {
  if (!root.Is(Kind::kObject)) {
    refusals.push_back(messages::DocumentNotObject(JsonKindName(root.kind)));
    return nullptr;
  }
  for (const std::string& name : root.names) {
    if (name != kVersion && name != kResourcesMember) {
      refusals.push_back(messages::UnknownDocumentMember(name));
    }
  }
  const JsonValue* version = root.Member(kVersion);
  if (version == nullptr) {
    refusals.emplace_back(messages::kNoVersion);
  } else if (!version->Is(Kind::kNumber) || version->number != std::to_string(kDocumentVersion)) {
    const std::string shown = version->Is(Kind::kNumber) ? version->number
                              : version->Is(Kind::kString)
                                  ? JsonString(version->string)
                                  : std::string(JsonKindName(version->kind));
    refusals.push_back(messages::UnknownVersion(shown));
  }
  const JsonValue* resources = root.Member(kResourcesMember);
  if (resources == nullptr) {
    refusals.emplace_back(messages::kNoResources);
  } else if (!resources->Is(Kind::kArray)) {
    refusals.push_back(messages::ResourcesNotArray(JsonKindName(resources->kind)));
    return nullptr;
  }
  return resources;
}

// Reads one element of the resources array into `entry`; false after adding why not.
// The element is taken apart: its strings move into the entry.
bool ReadEntry(JsonValue& element, DocumentEntry& entry, std::vector<std::string>& refusals) {
  // Made only for a refusal: most entries have none.
  const auto place = [&entry] { return messages::EntryPlace(entry.index); };
  if (!element.Is(Kind::kObject)) {
    refusals.push_back(messages::EntryNotObject(place(), JsonKindName(element.kind)));
    return false;
  }
  JsonValue* name = element.Member(kName);
  if (name == nullptr) {
    refusals.push_back(messages::EntryWithoutName(place()));
    return false;
  }
  if (!name->Is(Kind::kString) || name->string.empty()) {
    refusals.push_back(messages::OfEntry(place(), name->Is(Kind::kString)
                                                      ? messages::CannotBeEmpty(kName)
                                                      : KindRefusal(kName, *name, false)));
    return false;
  }
  entry.name = std::move(name->string);
  const std::size_t before = refusals.size();
  const auto label = [&entry] { return EntryLabel(entry); };
  for (std::size_t i = 0; i < element.names.size(); ++i) {
    const std::string& member = element.names[i];
    JsonValue& value = element.values[i];
    if (member == kName) continue;
    const std::optional<SettingKey> key = KeyOfMember(member);
    if (member != kFile && !key) {
      refusals.push_back(
          messages::OfEntry(label(), messages::UnknownEntryMember(member, EntryMembers())));
      continue;
    }
    if (value.Is(Kind::kNull)) continue;
    if (!value.Is(Kind::kString)) {
      refusals.push_back(messages::OfEntry(label(), KindRefusal(member, value, true)));
      continue;
    }
    if (!key) {
      entry.file = std::move(value.string);
      continue;
    }
    std::string refusal;
    if (!AcceptSetting(*key, value.string, entry.change, refusal)) {
      refusals.push_back(messages::OfEntry(label(), refusal));
    }
  }
  return refusals.size() == before;
}

// How many objects `text` may hold at most: its "{" characters.
std::size_t ObjectsIn(std::string_view text) {
  std::size_t count = 0;
  const char* at = text.data();
  const char* const end = at + text.size();
  while ((at = static_cast<const char*>(
              std::memchr(at, '{', static_cast<std::size_t>(end - at)))) != nullptr) {
    ++count;
    ++at;
  }
  return count;
}

}  // namespace

std::string EntryLabel(const DocumentEntry& entry) {
  return messages::EntryLabel(entry.index, entry.name);
}

bool ReadResourceDocument(std::string_view text, ResourceDocument& document,
                          std::vector<std::string>& refusals) {
  document = ResourceDocument{};
  // Room for as many entries as the text has objects at most, so that growing never moves
  // the entries read.
  document.resources.reserve(ObjectsIn(text));
  // The resources are read as they come, so that a large document is never held twice.
  std::vector<std::string> entryRefusals;
  const auto each = [&](std::size_t index, JsonValue& item) {
    DocumentEntry entry;
    entry.index = index;
    if (ReadEntry(item, entry, entryRefusals)) document.resources.push_back(std::move(entry));
  };
  JsonValue root;
  JsonFault fault;
  if (!ParseJsonStreaming(text, kResourcesMember, each, root, fault)) {
    refusals.push_back(messages::NotJson(fault.line, fault.column, fault.what));
    return false;
  }
  const std::size_t before = refusals.size();
  ReadTopLevel(root, refusals);
  // A top-level refusal first: a document of another version says so before its parts.
  refusals.insert(refusals.end(), entryRefusals.begin(), entryRefusals.end());
  return refusals.size() == before;
}

}  // namespace tirv::cli
