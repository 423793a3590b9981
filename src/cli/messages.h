// Every line that tirvane-resources prints for people: its messages, refusals and
// questions, the words of its results, and its usage text. The code says which line and
// with which values; the words are here, once. The reasons of a file's problem are the
// core's (ReasonOf, DescribeProblem, DescribeLocation) and are passed in, never written
// here again. Pure: each function returns text.
//
// Users and scripts know these lines: change one only on purpose, together with the
// manual page, which quotes several of them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tirv::cli::messages {

/// A value inside a message (a name, a file, a value someone typed) as PrintableText
/// shows it: UTF-8, every control character made "?", so that no value splits a line.
class Shown {
 public:
  Shown(std::string_view utf8);
  Shown(const std::string& utf8) : Shown(std::string_view(utf8)) {}
  Shown(const char* utf8) : Shown(std::string_view(utf8)) {}
  Shown(std::u16string_view text);
  Shown(const std::u16string& text) : Shown(std::u16string_view(text)) {}

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

/* Every message is one line on standard error, after the program's name. */

inline constexpr std::string_view kPrefix = "tirvane-resources: ";
/// kPrefix, the message and a line feed.
std::string Line(std::string_view message);

/* Wrong usage (exit status 2). A refusal of the arguments is followed by kTryHelp. */

inline constexpr std::string_view kTryHelp = " (try --help)";
inline constexpr std::string_view kNoCommand = "no command given";
inline constexpr std::string_view kWorkspaceNeedsFolder = "--workspace needs a folder";
inline constexpr std::string_view kSetNeedsAssignments =
    "set needs NAME and at least one KEY=VALUE";
inline constexpr std::string_view kApplyNeedsFile = "apply needs one FILE (- for standard input)";
std::string UnknownCommand(const Shown& word);
std::string UnknownOption(const Shown& option);
/// "show needs one NAME".
std::string NeedsOneName(std::string_view command);
/// "list takes no NAME".
std::string TakesNoName(std::string_view command);
/// "--json does not go with set".
std::string DoesNotGoWith(std::string_view option, std::string_view command);
/// What deletes without --yes where no one can answer: "delete", "apply --prune".
inline constexpr std::string_view kDeleteCommand = "delete";
inline constexpr std::string_view kPruneCommand = "apply --prune";
std::string AsksBeforeDeleting(std::string_view command);

/* --version and --help (standard output, exit status 0). */

/// "tirvane-resources 2.0.0" and a line feed.
std::string VersionLine(std::string_view version);
/// The usage text of --help around `keyLines`, the lines of UsageKeyLine for every key.
std::string Usage(std::string_view keyLines);
/// One key of the usage text: "  baud       110, 300, ... (COM ports)" and a line feed.
/// `usedBy` names the ports that use the key, empty for a key every port uses.
std::string UsageKeyLine(std::string_view key, std::string_view takes, std::string_view usedBy);
/// The ports that use a serial setting, as UsageKeyLine names them.
inline constexpr std::string_view kComPorts = "COM ports";
/// What timeout and parameter take, in the usage text.
inline constexpr std::string_view kTimeoutTakes = "milliseconds, digits only";
inline constexpr std::string_view kParameterTakes = "the driver parameter, such as -ip127.0.0.1";

/* Refusals of a KEY=VALUE or of a document's value (exit status 2). */

/// Fixed choices as the refusals and the usage text list them: "None, Odd, Even".
inline constexpr std::string_view kChoiceSeparator = ", ";
/// A choice with the shorter word also taken for it: "Big Endian (big)".
std::string ChoiceWithAlias(std::string_view choice, std::string_view alias);
/// "baud \"12345\" is not one of 110, 300, ...".
std::string NotOneOf(std::string_view key, const Shown& value, std::string_view choices);
/// "timeout \"12a\" is not a time in milliseconds (the digits 0-9 only)".
std::string NotMilliseconds(std::string_view key, const Shown& value);
/// "parameter cannot be empty", "name cannot be empty".
std::string CannotBeEmpty(std::string_view key);
/// "\"baud\" is not KEY=VALUE".
std::string NotAnAssignment(const Shown& text);
/// "unknown key \"speed\" (keys: port, baud, ...)".
std::string UnknownKey(const Shown& key, std::string_view keys);
/// "baud is given twice".
std::string GivenTwice(std::string_view key);
/// "parameter is not used by port COM1".
std::string NotUsedByPort(std::string_view key, std::string_view port);
/// A key given for a resource whose port text names no known port, without port=.
std::string NotUsedWithoutPort(std::string_view key);
/// The port of a record whose port text names no known port, where a text must be shown.
inline constexpr std::string_view kUnknownPort = "unknown";

/* Names of new resources (add, and apply of a resource that is not there). */

inline constexpr std::string_view kNameForbiddenCharacter =
    "a resource name cannot hold any of the characters \" . \\ / : * ? < > |";
inline constexpr std::string_view kNameInnerSpace = "a resource name cannot hold spaces";
inline constexpr std::string_view kNameEmpty = "a resource name cannot be empty";
inline constexpr std::string_view kNameLineBreak = "a resource name cannot hold a line break";
inline constexpr std::string_view kNameBlankEnds =
    "a resource name cannot begin or end with a space";

/* Failures that name a file or a resource. */

/// "<file>: <reason>", for a reason the system or the core gave.
std::string OnFile(const Shown& file, std::string_view reason);
/// Exit status 3.
std::string NoSuchResource(const Shown& name);
/// "Line1: a resource of that name exists (Line1.opc)".
std::string NameTaken(const Shown& name, const Shown& file);
std::string ChangedWhileSetting(const Shown& file);
std::string ChangedWhileApplying(const Shown& file);
/// The core's word for a missing TirvOPC.ini, and what to do instead.
std::string NoIniFile(const Shown& location);
inline constexpr std::string_view kChangeLogFailed =
    "the change could not be written to the change log";

/* Standard output that could not be written (main). */

inline constexpr std::string_view kReportLost =
    "the change was made, but its report could not be written";
inline constexpr std::string_view kOutputLost = "the output could not be written";

/* The question before a deletion, on standard error, and its answers. */

/// "Delete <what>? [y/N] ", without a line feed: the answer follows on the same line.
std::string DeleteQuestion(std::string_view what);
/// One resource the question names: "Line1 (Line1.opc)".
std::string DeleteItem(const Shown& name, const Shown& file);
inline constexpr std::string_view kDeleteItemSeparator = ", ";
/// The answers that mean yes, letter case ignored.
inline constexpr std::string_view kYesShort = "y";
inline constexpr std::string_view kYes = "yes";
/// "Line1: not deleted", after any other answer.
std::string NotDeleted(const Shown& name);

/* The results of set and apply, on standard output. */

inline constexpr std::string_view kChanged = "changed";
inline constexpr std::string_view kUnchanged = "unchanged";
inline constexpr std::string_view kAdded = "added";
inline constexpr std::string_view kDeleted = "deleted";

/* apply: reading its document, and what the document asks for. */

/// Where a document was read from, when it is standard input.
inline constexpr std::string_view kStandardInput = "standard input";
inline constexpr std::string_view kStandardInputUnreadable = "standard input could not be read";
inline constexpr std::string_view kDeletionsDeclined =
    "nothing was changed: the deletions were declined";
inline constexpr std::string_view kChangedWhileAsked =
    "nothing was changed: the workspace changed while you were asked; apply again";
/// One refusal of the document `source` names: "standard input: <refusal>".
std::string InDocument(std::string_view source, std::string_view refusal);
/// A file --prune leaves because it is no valid resource: the core's description first.
std::string NotPruned(std::string_view described);
/// "resources[2]": where an entry stands.
std::string EntryPlace(std::size_t index);
/// "resources[2] (Line3)".
std::string EntryLabel(std::size_t index, const Shown& name);
/// A refusal of one entry: "resources[2] (Line3): <refusal>".
std::string OfEntry(std::string_view label, std::string_view refusal);
/// "there is no such resource, and <why no new one can be made>".
std::string NoResourceNorNewName(std::string_view nameRefusal);
std::string FileNotListedUnder(const Shown& file, const Shown& name);
/// A file that does not exist and is not `newFile`, the one a new resource gets.
std::string NoSuchFileForNew(const Shown& file, const Shown& newFile);
/// "resources[0] names the same resource (Line1.opc)".
std::string SameResourceAs(std::size_t firstIndex, const Shown& file);

/* apply: the form of the document. */

/// "it is not JSON: line 2, column 17: <what>", `what` one of the json:: texts below.
std::string NotJson(std::size_t line, std::size_t column, std::string_view what);
/// `kind` is one of the json:: kinds below.
std::string DocumentNotObject(std::string_view kind);
std::string UnknownDocumentMember(const Shown& member);
inline constexpr std::string_view kNoVersion =
    "the document has no version (this program reads version 1)";
/// `version` as the document wrote it, or the kind of value it is.
std::string UnknownVersion(const Shown& version);
inline constexpr std::string_view kNoResources = "the document has no resources";
std::string ResourcesNotArray(std::string_view kind);
std::string EntryNotObject(std::string_view place, std::string_view kind);
std::string EntryWithoutName(std::string_view place);
/// "unknown member \"speed\" (members: name, file, port, ...)".
std::string UnknownEntryMember(const Shown& member, std::string_view members);
/// "parameter must be a string or null, not a number".
std::string NotAString(const Shown& member, bool nullAllowed, std::string_view kind);

/// Where a text stops being JSON, and the kinds of JSON values as a message names them.
namespace json {
inline constexpr std::string_view kTrailing = "something follows the value";
inline constexpr std::string_view kEndsEarly = "a value was expected, and the text ends";
inline constexpr std::string_view kTooDeep = "arrays and objects are nested too deeply";
inline constexpr std::string_view kNoValue =
    "a value was expected (a string, number, object, array, true, false or null)";
inline constexpr std::string_view kNoMemberName = "a member name in double quotes was expected";
inline constexpr std::string_view kMemberTwice = "a member name appears twice in one object";
inline constexpr std::string_view kNoColon = "a colon was expected after the member name";
inline constexpr std::string_view kObjectNotClosed = "a comma or } was expected";
inline constexpr std::string_view kArrayNotClosed = "a comma or ] was expected";
inline constexpr std::string_view kNoDigit = "a number needs a digit";
inline constexpr std::string_view kLeadingZero = "a number cannot begin with 0";
inline constexpr std::string_view kNoFractionDigit = "a number needs a digit after its point";
inline constexpr std::string_view kNoExponentDigit = "a number needs a digit in its exponent";
inline constexpr std::string_view kShortUnicodeEscape = "\\u needs four hexadecimal digits";
inline constexpr std::string_view kStringNotClosed = "a string is not closed";
inline constexpr std::string_view kUnknownEscape = "unknown escape in a string";
inline constexpr std::string_view kNotUtf8 = "the text is not UTF-8";
inline constexpr std::string_view kRawControl = "a control character in a string must be escaped";

inline constexpr std::string_view kNull = "null";
inline constexpr std::string_view kBool = "true or false";
inline constexpr std::string_view kNumber = "a number";
inline constexpr std::string_view kString = "a string";
inline constexpr std::string_view kArray = "an array";
inline constexpr std::string_view kObject = "an object";
}  // namespace json

}  // namespace tirv::cli::messages
