// export and apply: the whole workspace as one document, and a document made true.
//
// apply works in two stages under one hold of the workspace lock. The plan reads every
// resource the document names and checks every part of the document against it (the
// form, the values, the keys the resulting port uses, two entries for one resource),
// and nothing is written unless all of it passes; then each file is changed with the
// same write as `set`, which sets only the values that changed.
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/line_diff.h"
#include "cli/messages.h"
#include "cli/record_output.h"
#include "cli/resource_document.h"
#include "cli/settings.h"
#include "cli/tool_run.h"
#include "platform/files.h"
#include "platform/text.h"
#include "resources/resource_names.h"

namespace tirv::cli {
namespace {

/* export */

// "{"version": 1, "resources": [" with one resource a line, then "]}".
class DocumentWriter {
 public:
  std::string Element(std::string_view object) {
    std::string text = first_ ? "{\"version\": 1, \"resources\": [\n  " : ",\n  ";
    first_ = false;
    return text.append(object);
  }
  std::string End() const { return first_ ? "{\"version\": 1, \"resources\": []}\n" : "\n]}\n"; }

 private:
  bool first_ = true;
};

/* apply: the plan */

enum class Result { kUnchanged, kChanged, kAdded, kDeleted };

std::string_view ResultWord(Result result) {
  switch (result) {
    case Result::kChanged:
      return messages::kChanged;
    case Result::kAdded:
      return messages::kAdded;
    case Result::kDeleted:
      return messages::kDeleted;
    case Result::kUnchanged:
      break;
  }
  return messages::kUnchanged;
}

// What one entry of the document, or one resource that --prune deletes, comes to.
struct Target {
  std::u16string_view entryName;  // as the document names it; empty for a deletion
  std::u16string fileName;        // the file it is, or will be
  /// The name it is told by: the document's, or its file's entry text.
  std::u16string_view name() const { return entryName.empty() ? EntryTextOf(fileName) : entryName; }
  bool exists = true;
  ResourceRecord record;    // as it is to be
  RecordBaseline baseline;  // what its file holds, or a new file would
  Result result = Result::kUnchanged;
};

struct Plan {
  std::vector<Target> targets;    // in the order of the document
  std::vector<Target> deletions;  // in the order of list
};

bool EndsWithExtension(std::u16string_view fileName) {
  return fileName.size() > schema::kExtension.size() &&
         EqualsIgnoreCase(fileName.substr(fileName.size() - schema::kExtension.size()),
                          schema::kExtension);
}

bool IsMissing(const ResourceProblem& problem) {
  return problem.fault == ResourceFault::kUnreadable && problem.error == ENOENT;
}

// The refusal of a name that a new resource cannot have, or empty.
std::string NewNameRefusal(std::u16string_view name) {
  std::u16string accepted;
  const NameCheck check = CheckNewResourceName(name, accepted);
  if (check != NameCheck::kAccepted) return std::string(NameRefusal(check));
  // The name is created as the document gives it, or the next apply would not find it.
  if (accepted != name) return std::string(messages::kNameBlankEnds);
  if (name.find_first_of(u"\r\n") != std::u16string_view::npos) {
    return std::string(messages::kNameLineBreak);
  }
  return {};
}

// A resource that is not there yet: what a new file holds, as Workspace::Create makes it.
bool PlanNewResource(const DocumentEntry& entry, Target& target,
                     std::vector<std::string>& refusals) {
  if (const std::string refusal = NewNameRefusal(entry.name); !refusal.empty()) {
    refusals.push_back(
        messages::OfEntry(EntryLabel(entry), messages::NoResourceNorNewName(refusal)));
    return false;
  }
  target.exists = false;
  target.fileName = entry.name + std::u16string(schema::kExtension);
  target.record = NewResourceRecord(target.fileName);
  std::string bytes;
  RenderNewResourceFile(bytes);
  RememberValues(target.baseline, target.record);
  RememberFile(target.baseline, bytes);
  target.result = Result::kAdded;
  return true;
}

// Finds the resource of one entry; kExitSuccess with `target` filled, kExitUsage after
// adding a refusal, or kExitFailure after saying why it cannot be read.
int FindEntry(const Workspace& workspace, const DocumentEntry& entry, const Run& run,
              EntryListing& listing, Target& target, std::vector<std::string>& refusals) {
  target.entryName = entry.name;  // the document outlives every plan made of it
  if (entry.file) {
    const std::u16string& file = *entry.file;
    if (file.find(u'/') != std::u16string::npos || !EndsWithExtension(file) ||
        EntryTextOf(file) != entry.name) {
      refusals.push_back(
          messages::OfEntry(EntryLabel(entry), messages::FileNotListedUnder(file, entry.name)));
      return kExitUsage;
    }
    ResourceFileReading reading = workspace.Read(file);
    if (reading.problem.ok()) {
      target.fileName = file;
      target.record = std::move(reading.record);
      target.baseline = reading.baseline;
      return kExitSuccess;
    }
    if (!IsMissing(reading.problem)) return run.FailOn(file, reading.problem);
    if (const std::u16string newFile = entry.name + std::u16string(schema::kExtension);
        file != newFile) {
      refusals.push_back(
          messages::OfEntry(EntryLabel(entry), messages::NoSuchFileForNew(file, newFile)));
      return kExitUsage;
    }
    return PlanNewResource(entry, target, refusals) ? kExitSuccess : kExitUsage;
  }
  ResourceLookup lookup = workspace.Find(entry.name, &listing);
  switch (lookup.outcome) {
    case LookupOutcome::kFound:
      target.fileName = lookup.reading.record.name;
      target.record = std::move(lookup.reading.record);
      target.baseline = lookup.reading.baseline;
      return kExitSuccess;
    case LookupOutcome::kNoSuchName:
      return PlanNewResource(entry, target, refusals) ? kExitSuccess : kExitUsage;
    case LookupOutcome::kInvalid:
      return run.FailOn(lookup.reading.record.name, lookup.reading.problem);
    case LookupOutcome::kListingFailed:
      break;
  }
  return run.FailOn(workspace.folder(), lookup.error);
}

// The settings of one entry applied to its record, and checked as `set` checks them.
bool PlanSettings(const DocumentEntry& entry, Target& target, std::vector<std::string>& refusals) {
  std::string refusal;
  bool changedRecord = false;
  if (!ApplySettingChange(entry.change, target.record, refusal, &changedRecord)) {
    refusals.push_back(messages::OfEntry(EntryLabel(entry), refusal));
    return false;
  }
  if (!changedRecord || !IsChanged(target.record, target.baseline)) return true;
  if (const ResourceProblem problem = CheckWritable(target.record, &target.baseline);
      !problem.ok()) {
    refusals.push_back(messages::OfEntry(EntryLabel(entry), PrintableText(ReasonOf(problem))));
    return false;
  }
  if (target.result == Result::kUnchanged) target.result = Result::kChanged;
  return true;
}

// The valid resources whose files no target is, in the order of list. A file that is no
// valid resource is not one to delete, and is named on standard error.
int PlanDeletions(const Workspace& workspace, const Run& run, bool tellInvalid, Plan& plan) {
  std::vector<std::u16string> named;
  for (const Target& target : plan.targets) named.push_back(target.fileName);
  std::sort(named.begin(), named.end());
  std::vector<std::pair<std::u16string, Target>> unnamed;
  const SearchEnd end = workspace.ForEachResourceFile([&](std::u16string_view fileName) {
    if (std::binary_search(named.begin(), named.end(), fileName)) return;
    ResourceFileReading reading = workspace.Read(fileName);
    if (!reading.problem.ok()) {
      if (tellInvalid) {
        run.Say(messages::NotPruned(PrintableText(DescribeProblem(fileName, reading.problem))));
      }
      return;
    }
    Target target;
    target.fileName = fileName;
    target.record = std::move(reading.record);
    target.result = Result::kDeleted;
    unnamed.emplace_back(ListingKeyOf(EntryTextOf(fileName)), std::move(target));
  });
  if (end.failed) return run.FailOn(workspace.folder(), end.error);
  std::stable_sort(unnamed.begin(), unnamed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [key, target] : unnamed) plan.deletions.push_back(std::move(target));
  return kExitSuccess;
}

// Reads and checks the whole document against the workspace as it is now.
// Says each refusal of the document `source` names.
int RefuseDocument(std::string_view source, const std::vector<std::string>& refusals,
                   const Run& run) {
  for (const std::string& refusal : refusals) run.Say(messages::InDocument(source, refusal));
  return kExitUsage;
}

// The first entry that names each file. An open table of its own, of eight bytes a
// slot: a lookup costs one probe, where a map of nodes costs a cache miss per step,
// which at 10,000 resources was a tenth of an unchanged apply.
class FirstEntries {
 public:
  explicit FirstEntries(std::size_t count) : slots_(std::bit_ceil(2 * count + 2)) {
    names_.reserve(count);
  }

  /// The entry that named `fileName` first; `entry` when it is the first.
  std::size_t Claim(std::u16string_view fileName, std::size_t entry) {
    const std::size_t hash = std::hash<std::u16string_view>{}(fileName);
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t at = hash;; ++at) {
      std::uint64_t& slot = slots_[at & (slots_.size() - 1)];
      if (slot == 0) {
        names_.emplace_back(fileName, entry);
        slot = std::uint64_t{tag} << 32 | names_.size();
        return entry;
      }
      const auto& [name, first] = names_[(slot & 0xFFFFFFFF) - 1];
      if (slot >> 32 == tag && name == fileName) return first;
    }
  }

 private:
  std::vector<std::uint64_t> slots_;  // the hash's high half, and 1 + a place in names_
  std::vector<std::pair<std::u16string_view, std::size_t>> names_;
};

// Files that are no valid resource are named on standard error with `tellInvalid`.
int MakePlan(const Workspace& workspace, const ResourceDocument& document, bool prune,
             bool tellInvalid, const Run& run, Plan& plan) {
  plan = Plan{};
  plan.targets.reserve(document.resources.size());
  std::vector<std::string> refusals;
  // Each file's first entry, by the file name its target holds: the targets never move,
  // since room for all of them was made above. A refused target stays, to be a key, and
  // the refusal ends the apply before any target is carried out.
  FirstEntries byFile(document.resources.size());
  EntryListing listing;
  for (const DocumentEntry& entry : document.resources) {
    Target& target = plan.targets.emplace_back();
    const int found = FindEntry(workspace, entry, run, listing, target, refusals);
    if (found == kExitFailure) return found;
    if (found != kExitSuccess) {
      plan.targets.pop_back();
      continue;
    }
    if (const std::size_t first = byFile.Claim(target.fileName, entry.index);
        first != entry.index) {
      refusals.push_back(
          messages::OfEntry(EntryLabel(entry), messages::SameResourceAs(first, target.fileName)));
      plan.targets.pop_back();
      continue;
    }
    // An unchanged resource is only reported: its values need no room until the end.
    if (PlanSettings(entry, target, refusals) && target.result == Result::kUnchanged) {
      target.record = ResourceRecord{};
    }
  }
  if (!refusals.empty()) return RefuseDocument(document.source, refusals, run);
  return prune ? PlanDeletions(workspace, run, tellInvalid, plan) : kExitSuccess;
}

/* apply: the change */

// What the report tells of one target: its result, and its file's text before and after
// when asked (nothing for no file).
struct Outcome {
  const Target* target = nullptr;
  Result result = Result::kUnchanged;
  std::optional<std::u16string> before;
  std::optional<std::u16string> after;
};

FileBytes CopyOf(std::string_view bytes) {
  FileBytes copy;
  copy.data = std::make_unique<char[]>(bytes.size());
  std::memcpy(copy.data.get(), bytes.data(), bytes.size());
  copy.size = bytes.size();
  return copy;
}

// The file's text now and as the target leaves it, for --diff.
int ShowBothSides(const Workspace& workspace, const Target& target, const Run& run,
                  Outcome& outcome) {
  const CodePage& codePage = CodePage::Default();
  std::string now;
  if (target.exists) {
    FileBytes bytes;
    if (int why = workspace.ReadBytes(target.fileName, bytes))
      return run.FailOn(target.fileName, why);
    now.assign(bytes.data.get(), bytes.size);
    outcome.before = codePage.Decode(now);
  } else {
    RenderNewResourceFile(now);
  }
  if (target.result == Result::kDeleted) return kExitSuccess;
  FileBytes current = CopyOf(now);
  RenderedFile rendered;
  if (const ResourceProblem problem =
          RenderChanges(target.record, target.baseline, &current, rendered);
      !problem.ok()) {
    return run.FailOn(target.fileName, problem);
  }
  outcome.after = codePage.Decode(rendered.bytes);
  return kExitSuccess;
}

// Writes one target's record into its file (made first when it is new).
int Change(Workspace& workspace, Target& target, const Run& run) {
  if (!target.exists) {
    const ResourceProblem created = workspace.Create(target.name(), &target.baseline);
    if (!created.ok()) return run.FailOn(target.fileName, created);
    target.exists = true;
    run.Changed();
  }
  const WriteResult written = workspace.Write(target.record, target.baseline, false);
  switch (written.outcome) {
    case WriteOutcome::kUnchanged:
    case WriteOutcome::kOnDisk:
      if (target.result == Result::kChanged) target.result = Result::kUnchanged;
      return kExitSuccess;
    case WriteOutcome::kWritten:
      run.Changed();
      return kExitSuccess;
    case WriteOutcome::kConflict:
      return run.Fail(messages::ChangedWhileApplying(target.fileName));
    case WriteOutcome::kFailed:
      break;
  }
  return run.FailWrite(target.fileName, written.problem);
}

int Remove(Workspace& workspace, const Target& target, const Run& run) {
  const ResourceProblem problem = workspace.Delete(target.fileName);
  if (!problem.ok()) return run.FailOn(target.fileName, problem);
  run.Changed();
  return kExitSuccess;
}

void AppendText(const std::optional<std::u16string>& text, std::string& json) {
  if (text) {
    AppendJsonString(*text, json);
  } else {
    json += "null";
  }
}

// The report: a line "<name>\t<result>" for each resource, each followed by its diff
// with --diff; with --json one object.
void Report(const std::vector<Outcome>& outcomes, const Invocation& invocation, const Run& run) {
  const bool changed = std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& outcome) {
    return outcome.result != Result::kUnchanged;
  });
  if (!invocation.json) {
    std::string lines;  // one buffer for all, as thousands of lines may come
    for (const Outcome& outcome : outcomes) {
      lines.clear();
      lines += PrintableText(outcome.target->name());
      lines += '\t';
      lines += ResultWord(outcome.result);
      lines += '\n';
      if (invocation.diff && outcome.result != Result::kUnchanged) {
        const std::string file = PrintableText(outcome.target->fileName);
        lines +=
            UnifiedDiff(outcome.before.value_or(u""), outcome.after.value_or(u""),
                        outcome.before ? file : "/dev/null", outcome.after ? file : "/dev/null");
      }
      run.Out(lines);
    }
    return;
  }
  std::string json =
      std::string("{\"changed\": ") + (changed ? "true" : "false") + ", \"resources\": [";
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    const Outcome& outcome = outcomes[i];
    json += i == 0 ? "\n  {\"name\": " : ",\n  {\"name\": ";
    AppendJsonString(outcome.target->name(), json);
    json += ", \"file\": ";
    AppendJsonString(outcome.target->fileName, json);
    json += ", \"result\": \"" + std::string(ResultWord(outcome.result)) + '"';
    if (invocation.diff && outcome.result != Result::kUnchanged) {
      json += ", \"before\": ";
      AppendText(outcome.before, json);
      json += ", \"after\": ";
      AppendText(outcome.after, json);
    }
    json += '}';
    run.Out(json);
    json.clear();
  }
  run.Out(outcomes.empty() ? "]}\n" : "\n]}\n");
}

// Makes the plan true, or with --check only tells what it would do; `outcomes` covers
// what was done, also when a failure ends the work early.
int Carry(Workspace& workspace, Plan& plan, const Invocation& invocation, const Run& run,
          std::vector<Outcome>& outcomes) {
  outcomes.reserve(plan.targets.size() + plan.deletions.size());
  int status = kExitSuccess;
  const auto each = [&](Target& target, bool deleting) {
    if (status != kExitSuccess) return;
    Outcome outcome;
    outcome.target = &target;
    if (invocation.diff && target.result != Result::kUnchanged) {
      status = ShowBothSides(workspace, target, run, outcome);
      if (status != kExitSuccess) return;
    }
    if (!invocation.check && target.result != Result::kUnchanged) {
      status = deleting ? Remove(workspace, target, run) : Change(workspace, target, run);
      // A new file that was made before its settings failed is told as added.
      const bool made = target.result == Result::kAdded && target.exists;
      if (status != kExitSuccess && !made) return;
    }
    outcome.result = target.result;
    outcomes.push_back(std::move(outcome));
  };
  for (Target& target : plan.targets) each(target, false);
  for (Target& target : plan.deletions) each(target, true);
  return status;
}

bool SameDeletions(const Plan& asked, const Plan& now) {
  return std::equal(asked.deletions.begin(), asked.deletions.end(), now.deletions.begin(),
                    now.deletions.end(),
                    [](const Target& a, const Target& b) { return a.fileName == b.fileName; });
}

// On a terminal, --prune without --yes asks before it deletes; the question is asked
// without holding the lock, so no colleague waits for the answer.
int AskToDelete(const Plan& plan, const Run& run) {
  std::string items;
  for (const Target& target : plan.deletions) {
    if (!items.empty()) items += messages::kDeleteItemSeparator;
    items += messages::DeleteItem(target.name(), target.fileName);
  }
  run.console().err(messages::DeleteQuestion(items));
  std::string answer;
  if (!run.console().readLine(answer) || !IsYes(answer)) {
    return run.Fail(messages::kDeletionsDeclined);
  }
  return kExitSuccess;
}

int ReadDocumentText(const Invocation& invocation, const Run& run, std::string& text) {
  if (invocation.name == "-") {
    if (!run.console().readAll || !run.console().readAll(text)) {
      return run.Fail(messages::kStandardInputUnreadable);
    }
    return kExitSuccess;
  }
  int error = 0;
  if (ReadWholeFile(Utf8ToUtf16(invocation.name), text, &error) != ReadOutcome::kRead) {
    return run.Fail(messages::OnFile(invocation.name, ErrorText(error)));
  }
  return kExitSuccess;
}

}  // namespace

int Export(const Workspace& workspace, const Run& run) {
  ListedLines lines;
  const SearchEnd end = workspace.ForEachResourceFile([&](std::u16string_view name) {
    const ResourceFileReading file = workspace.Read(name);
    if (!file.problem.ok()) {
      run.Say(PrintableText(DescribeProblem(name, file.problem)));
    } else {
      lines.Add(EntryTextOf(name), ExportedRecordJson(file.record));
    }
  });
  // A document that lacks resources would delete them where it is applied with --prune.
  if (end.failed) return run.FailOn(workspace.folder(), end.error);
  DocumentWriter document;
  lines.PrintInOrder([&](std::string_view object) { run.Out(document.Element(object)); });
  run.Out(document.End());
  return kExitSuccess;
}

int Apply(Workspace& workspace, const Invocation& invocation, const Run& run) {
  std::string text;
  if (int status = ReadDocumentText(invocation, run, text)) return status;
  ResourceDocument document;
  std::vector<std::string> refusals;
  const bool read = ReadResourceDocument(text, document, refusals);
  document.source = invocation.name == "-" ? std::string(messages::kStandardInput)
                                           : PrintableText(invocation.name);
  if (!read) return RefuseDocument(document.source, refusals, run);
  text = std::string();  // the document is read; its text is not needed any more

  Plan asked;
  const bool ask = invocation.prune && !invocation.yes && !invocation.check;
  if (ask) {
    if (int status = MakePlan(workspace, document, true, true, run, asked)) return status;
    if (!asked.deletions.empty()) {
      if (int status = AskToDelete(asked, run)) return status;
    }
  }
  Plan plan;
  std::vector<Outcome> outcomes;
  int status = kExitSuccess;
  {
    // Checked and changed under one hold of the lock, on the current bytes; the report
    // is printed after it, so that a slow reader of it keeps no colleague waiting.
    const WorkspaceLock lock(workspace);
    if (!lock.held()) return run.FailOn(workspace.folder(), lock.problem());
    if (int planned = MakePlan(workspace, document, invocation.prune, !ask, run, plan)) {
      return planned;
    }
    if (ask && !SameDeletions(asked, plan)) {
      return run.Fail(messages::kChangedWhileAsked);
    }
    status = Carry(workspace, plan, invocation, run, outcomes);
  }
  Report(outcomes, invocation, run);
  return status;
}

}  // namespace tirv::cli
