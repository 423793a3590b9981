#include "cli/messages.h"

#include <algorithm>

#include "cli/record_output.h"

namespace tirv::cli::messages {
namespace {

// The parts of --help before and after the keys.
constexpr std::string_view kUsageHead =
    "Usage: tirvane-resources [--workspace DIR] list [--json]\n"
    "       tirvane-resources [--workspace DIR] show NAME [--json]\n"
    "       tirvane-resources [--workspace DIR] set NAME KEY=VALUE...\n"
    "       tirvane-resources [--workspace DIR] add NAME\n"
    "       tirvane-resources [--workspace DIR] delete NAME [--yes]\n"
    "       tirvane-resources [--workspace DIR] validate [--json]\n"
    "       tirvane-resources [--workspace DIR] export\n"
    "       tirvane-resources [--workspace DIR] apply FILE|- [--prune [--yes]] [--check]\n"
    "                         [--diff] [--json]\n"
    "       tirvane-resources --help | --version\n"
    "\n"
    "Lists, shows, changes, adds and deletes the resources of the Tirvane OPC-Server 2.0:\n"
    "the .opc files of the workspace folder named by TirvOPC.ini beside the program, or\n"
    "of DIR. NAME is a resource's name as the editor lists it, without \".opc\".\n"
    "export prints every resource as one JSON document; apply makes the workspace hold\n"
    "what such a document (read from FILE, or - for standard input) says.\n"
    "\n"
    "Keys of set (several apply together or not at all), and of a document's resources:\n";

constexpr std::string_view kUsageTail =
    "\n"
    "  --workspace DIR  use the workspace folder DIR\n"
    "  --json           print JSON (list, show, validate, apply)\n"
    "  --yes            delete without asking (delete, apply --prune)\n"
    "  --prune          delete the resources the document does not name (apply)\n"
    "  --check          change nothing, report what would change (apply)\n"
    "  --diff           show each changed file's lines before and after (apply)\n"
    "  -h, --help       show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage or a refused value or document,\n"
    "3 no resource of that NAME (show, set, delete).\n"
    "The manual page tirvane-resources(1) describes the outputs and the messages.\n";

// The width of a key's column in the usage text.
constexpr std::size_t kKeyColumn = 11;

// Appended, not added up: GCC 12 at -O3 takes "\"" + text for an overlapping copy.
std::string Quoted(const Shown& value) {
  std::string quoted = "\"";
  quoted += value.text();
  quoted += '"';
  return quoted;
}

// `key "value"`, as the refusals of a value begin.
std::string KeyAndValue(std::string_view key, const Shown& value) {
  return std::string(key) + ' ' + Quoted(value);
}

}  // namespace

Shown::Shown(std::string_view utf8) : text_(PrintableText(utf8)) {}
Shown::Shown(std::u16string_view text) : text_(PrintableText(text)) {}

std::string Line(std::string_view message) {
  std::string line(kPrefix);
  line += message;
  line += '\n';
  return line;
}

std::string UnknownCommand(const Shown& word) { return "unknown command " + Quoted(word); }

std::string UnknownOption(const Shown& option) { return "unknown option " + Quoted(option); }

std::string NeedsOneName(std::string_view command) {
  return std::string(command) + " needs one NAME";
}

std::string TakesNoName(std::string_view command) {
  return std::string(command) + " takes no NAME";
}

std::string DoesNotGoWith(std::string_view option, std::string_view command) {
  return std::string(option) + " does not go with " + std::string(command);
}

std::string AsksBeforeDeleting(std::string_view command) {
  return std::string(command) + " asks before it deletes; give --yes where no one can answer";
}

std::string VersionLine(std::string_view version) {
  return "tirvane-resources " + std::string(version) + "\n";
}

std::string Usage(std::string_view keyLines) {
  std::string usage(kUsageHead);
  usage += keyLines;
  usage += kUsageTail;
  return usage;
}

std::string UsageKeyLine(std::string_view key, std::string_view takes, std::string_view usedBy) {
  std::string line = "  " + std::string(key);
  line.resize(2 + std::max(kKeyColumn, key.size() + 1), ' ');
  line += takes;
  if (!usedBy.empty()) line += " (" + std::string(usedBy) + ")";
  return line + '\n';
}

std::string ChoiceWithAlias(std::string_view choice, std::string_view alias) {
  return std::string(choice) + " (" + std::string(alias) + ")";
}

std::string NotOneOf(std::string_view key, const Shown& value, std::string_view choices) {
  return KeyAndValue(key, value) + " is not one of " + std::string(choices);
}

std::string NotMilliseconds(std::string_view key, const Shown& value) {
  return KeyAndValue(key, value) + " is not a time in milliseconds (the digits 0-9 only)";
}

std::string CannotBeEmpty(std::string_view key) { return std::string(key) + " cannot be empty"; }

std::string NotAnAssignment(const Shown& text) { return Quoted(text) + " is not KEY=VALUE"; }

std::string UnknownKey(const Shown& key, std::string_view keys) {
  return "unknown key " + Quoted(key) + " (keys: " + std::string(keys) + ")";
}

std::string GivenTwice(std::string_view key) { return std::string(key) + " is given twice"; }

std::string NotUsedByPort(std::string_view key, std::string_view port) {
  return std::string(key) + " is not used by port " + std::string(port);
}

std::string NotUsedWithoutPort(std::string_view key) {
  return std::string(key) + " is not used while the port names no known port; give port= as well";
}

std::string OnFile(const Shown& file, std::string_view reason) {
  return file.text() + ": " + std::string(reason);
}

std::string NoSuchResource(const Shown& name) { return name.text() + ": no such resource"; }

std::string NameTaken(const Shown& name, const Shown& file) {
  return name.text() + ": a resource of that name exists (" + file.text() + ")";
}

std::string ChangedWhileSetting(const Shown& file) {
  return file.text() + ": it changed on disk while it was being set; nothing was written";
}

std::string ChangedWhileApplying(const Shown& file) {
  return file.text() + ": it changed on disk while it was being applied; nothing was written";
}

std::string NoIniFile(const Shown& location) { return location.text() + " (give --workspace DIR)"; }

std::string DeleteQuestion(std::string_view what) {
  return "Delete " + std::string(what) + "? [y/N] ";
}

std::string DeleteItem(const Shown& name, const Shown& file) {
  return name.text() + " (" + file.text() + ")";
}

std::string NotDeleted(const Shown& name) { return name.text() + ": not deleted"; }

std::string InDocument(std::string_view source, std::string_view refusal) {
  return std::string(source) + ": " + std::string(refusal);
}

std::string NotPruned(std::string_view described) {
  return std::string(described) + " (not deleted)";
}

std::string EntryPlace(std::size_t index) { return "resources[" + std::to_string(index) + "]"; }

std::string EntryLabel(std::size_t index, const Shown& name) {
  return EntryPlace(index) + " (" + name.text() + ")";
}

std::string OfEntry(std::string_view label, std::string_view refusal) {
  return std::string(label) + ": " + std::string(refusal);
}

std::string NoResourceNorNewName(std::string_view nameRefusal) {
  return "there is no such resource, and " + std::string(nameRefusal);
}

std::string FileNotListedUnder(const Shown& file, const Shown& name) {
  return "the file " + Quoted(file) + " is not listed under the name " + name.text();
}

std::string NoSuchFileForNew(const Shown& file, const Shown& newFile) {
  return "there is no file " + Quoted(file) + ", and a new resource's file is " + newFile.text();
}

std::string SameResourceAs(std::size_t firstIndex, const Shown& file) {
  return EntryPlace(firstIndex) + " names the same resource (" + file.text() + ")";
}

std::string NotJson(std::size_t line, std::size_t column, std::string_view what) {
  return "it is not JSON: line " + std::to_string(line) + ", column " + std::to_string(column) +
         ": " + std::string(what);
}

std::string DocumentNotObject(std::string_view kind) {
  return "the document must be a JSON object, not " + std::string(kind);
}

std::string UnknownDocumentMember(const Shown& member) {
  return "unknown member " + Quoted(member) + " (a document has version and resources)";
}

std::string UnknownVersion(const Shown& version) {
  return "version " + version.text() + " is not known (this program reads version 1)";
}

std::string ResourcesNotArray(std::string_view kind) {
  return "resources must be an array, not " + std::string(kind);
}

std::string EntryNotObject(std::string_view place, std::string_view kind) {
  return std::string(place) + " must be an object, not " + std::string(kind);
}

std::string EntryWithoutName(std::string_view place) { return std::string(place) + " has no name"; }

std::string UnknownEntryMember(const Shown& member, std::string_view members) {
  return "unknown member " + Quoted(member) + " (members: " + std::string(members) + ")";
}

std::string NotAString(const Shown& member, bool nullAllowed, std::string_view kind) {
  return member.text() + " must be a string" + (nullAllowed ? " or null" : "") + ", not " +
         std::string(kind);
}

}  // namespace tirv::cli::messages
