#include "editor/editor_dialog.h"

#include <utility>

#include <algorithm>
#include <span>

#include "dialog/routing.h"
#include "editor/new_resource_dialog.h"
#include "editor/templates.h"
#include "editor/texts.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"
#include "resources/resource_names.h"
#include "workspace/location.h"

namespace tirv {
namespace {

// The setting controls, in the order they are enabled, with the setting each shows.
constexpr std::pair<int, PortSetting> kSettingControls[] = {
    {ids::kBaud, PortSetting::kBaud},         {ids::kStopBits, PortSetting::kStopBits},
    {ids::kDataBits, PortSetting::kDataBits}, {ids::kParity, PortSetting::kParity},
    {ids::kTimeout, PortSetting::kTimeout},   {ids::kParameter, PortSetting::kParameter}};

// What LoadWorkspace returns after EndProcess came back (only where a test stands in
// for the process): no failure, so no loading error is shown.
constexpr Status kProcessEnded = 1;

// A failed save names at most this many files; the rest are counted.
constexpr std::size_t kNamedFailures = 5;

std::span<const std::u16string_view> ChoicesOf(int comboId) {
  switch (comboId) {
    case ids::kBaud:
      return choices::kBaudRates;
    case ids::kStopBits:
      return choices::kStopBits;
    case ids::kDataBits:
      return choices::kDataBits;
    case ids::kParity:
      return choices::kParities;
    case ids::kAlignment:
      return choices::kAlignments;
    default:
      return {};
  }
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Blanks alone are no parameter: the file would keep nothing of them.
bool HoldsOnlyBlanks(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), IsBlank);
}

// What the user typed into the Alignment field, taken as the alignment it names when it
// differs from one only in letter case or blanks at its ends; any other text as typed.
std::u16string TypedAlignment(std::u16string text) {
  const std::size_t first = text.find_first_not_of(u" \t");
  const std::size_t last = text.find_last_not_of(u" \t");
  const std::u16string_view trimmed =
      first == std::u16string::npos ? std::u16string_view()
                                    : std::u16string_view(text).substr(first, last - first + 1);
  for (std::u16string_view name : choices::kAlignments) {
    if (EqualsIgnoreCase(trimmed, name)) return std::u16string(name);
  }
  return text;
}

std::u16string WithExtension(std::u16string_view name) {
  return std::u16string(name) + std::u16string(schema::kExtension);
}

std::u16string FileReason(std::u16string_view path, int error) {
  return std::u16string(path) + u": " + Utf8ToUtf16(ErrorText(error));
}

std::u16string FailureLines(const SaveReport& report) {
  std::u16string lines;
  for (std::size_t i = 0; i < report.failures.size() && i < kNamedFailures; ++i) {
    if (i > 0) lines += u'\n';
    lines += DescribeProblem(report.failures[i].first, report.failures[i].second);
  }
  if (report.failures.size() > kNamedFailures) {
    lines += u"\nand " + Utf8ToUtf16(std::to_string(report.failures.size() - kNamedFailures)) +
             u" more files";
  }
  return lines;
}

}  // namespace

EditorDialog::EditorDialog(EditorEnvironment environment) : environment_(std::move(environment)) {
  if (!environment_.endProcess) environment_.endProcess = [](int code) { tirv::EndProcess(code); };
  if (!environment_.modulePath) environment_.modulePath = RunningModulePath();
}

EditorDialog::~EditorDialog() = default;

const DialogTemplate& EditorDialog::Template() const { return EditorDialogTemplate(); }

bool EditorDialog::OnInitDialog(ControlOps& ops) {
  ops_ = &ops;
  PushBoundTexts();  // fills the fixed lists, showing the defaults
  ops.SetUpWindow(ids::kProgramIcon);
  loadReason_.clear();
  if (Failed(LoadWorkspace())) {
    ops.ApplicationMessageBox(texts::WithReason(texts::kWorkspaceError, loadReason_));
  }
  return true;
}

/* Start-up: the workspace. */

Status EditorDialog::LoadWorkspace() {
  if (ops_->ComboCount(ids::kResource) == 0) SelectPortKind(kPortTcpIp);
  ops_->ComboReset(ids::kResource);
  if (!LocateOrEnd()) return kProcessEnded;
  if (workspace_.outcome == WorkspaceOutcome::kFolderMissing) return CreateMissingFolder();
  // A folder that cannot be opened lists nothing, as an empty one: the user meets the
  // message for a workspace without resources, and the reason at the first change.
  store_.Open(workspace_.folder);
  return LoadResourceFiles();
}

// The outcomes that end the program do so here, after their message. False when the
// process ended (or, in a test, would have).
bool EditorDialog::LocateOrEnd() {
  workspace_ = environment_.workspaceFolder.empty() ? LocateWorkspace(environment_.modulePath)
                                                    : GivenWorkspace(environment_.workspaceFolder);
  switch (workspace_.outcome) {
    case WorkspaceOutcome::kReady:
      return true;
    case WorkspaceOutcome::kNoIniFile:
      ops_->ApplicationMessageBox(
          texts::WithReason(texts::kNoIniFile, DescribeLocation(workspace_)));
      EndProcess(0);
      return false;
    case WorkspaceOutcome::kUnresolvable:
      ops_->ApplicationMessageBox(
          texts::WithReason(texts::kCannotConvert, DescribeLocation(workspace_)));
      EndProcess(0);
      return false;
    case WorkspaceOutcome::kFolderMissing:
      if (ops_->QuestionBox(texts::Format(texts::kFolderMissing, workspace_.folder))) return true;
      EndProcess(0);
      return false;
  }
  return true;
}

// The editor opens empty on a new folder; one that could not be made is reported.
Status EditorDialog::CreateMissingFolder() {
  int error = 0;
  if (CreateWorkspaceFolder(workspace_.folder, error)) {
    store_.Open(workspace_.folder);
    return 0;
  }
  store_.Open(workspace_.folder);
  loadReason_ = FileReason(workspace_.folder, error);
  return kGeneralFailure;
}

// Every file is read once; the Resource combo is filled once, after the last.
Status EditorDialog::LoadResourceFiles() {
  // Reading a serial port's text selects that port, as showing it would. Only the last
  // one read can be seen, so the controls change once, after the last file.
  std::int32_t lastSerialKind = kPortKindUnknown;
  const Workspace& workspace = store_.workspace();
  const SearchEnd search = workspace.ForEachResourceFile([&](std::u16string_view name) {
    ResourceFileReading reading = workspace.Read(name);
    if (!reading.problem.ok()) {
      ops_->ApplicationMessageBox(
          texts::WithReason(texts::kInvalidFile, DescribeProblem(name, reading.problem)));
      return;
    }
    if (IsSerialPortKind(reading.record.portKind)) lastSerialKind = reading.record.portKind;
    store_.Adopt(std::move(reading));
  });
  SelectPortKind(lastSerialKind);
  if (search.found == 0 && !search.failed) {
    ops_->InformationBox(texts::kNoOpcFiles);
    return 0;
  }
  const Status status = RefreshResourceList();
  if (search.failed) {
    loadReason_ = FileReason(workspace_.folder, search.error);
    return kGeneralFailure;
  }
  return status;
}

void EditorDialog::EndProcess(int code) { environment_.endProcess(code); }

/* The controls. */

// Each value combo shows its bound text exactly (ShowValue).
void EditorDialog::PushBoundTexts() {
  ShowValue(ids::kDataBits, bound_.dataBits);
  ops_->SetText(ids::kParameter, bound_.parameter);
  ShowValue(ids::kParity, bound_.parity);
  ShowValue(ids::kStopBits, bound_.stopBits);
  ops_->SetText(ids::kTimeout, bound_.timeout);
  ShowValue(ids::kBaud, bound_.baud);
  ShowValue(ids::kAlignment, bound_.alignment);
}

void EditorDialog::SelectPortKind(std::int32_t kind) {
  if (!IsPortKind(kind)) return;
  for (const auto& [id, setting] : kSettingControls)
    ops_->EnableControl(id, KindUses(kind, setting));
  ops_->CheckRadioButton(ids::kRadioFirst, ids::kRadioLast, ids::kRadioFirst + kind);
  portKind_ = kind;
}

int EditorDialog::FindEntry(int comboId, std::u16string_view text) {
  const int count = ops_->ComboCount(comboId);
  for (int i = 0; i < count; ++i) {
    if (ops_->ComboEntryText(comboId, i) == text) return i;
  }
  return -1;
}

// Shows `value` so that reading the combo gives it back unchanged: a save must never
// write what only showing a value made of it. A drop-down list holds its fixed entries
// and, for a value outside them, one entry of its own, which the next value shown
// replaces; the Alignment combo's edit field shows any text, an empty one for an
// adaptation it cannot name.
void EditorDialog::ShowValue(int comboId, const std::u16string& value) {
  const std::span<const std::u16string_view> fixed = ChoicesOf(comboId);
  const bool listed = value.empty() || std::find(fixed.begin(), fixed.end(), value) != fixed.end();
  if (comboId == ids::kAlignment) {
    if (static_cast<std::size_t>(ops_->ComboCount(comboId)) != fixed.size()) {
      ops_->ComboFill(comboId, std::vector<std::u16string>(fixed.begin(), fixed.end()));
    }
    const int entry = FindEntry(comboId, value);
    ops_->ComboSetCurrentIndex(comboId, entry);
    if (entry < 0) ops_->SetText(comboId, value);
    return;
  }
  const std::size_t wanted = fixed.size() + (listed ? 0 : 1);
  int entry = value.empty() ? -1 : FindEntry(comboId, value);
  if (static_cast<std::size_t>(ops_->ComboCount(comboId)) != wanted ||
      (!value.empty() && entry < 0)) {
    std::vector<std::u16string> entries(fixed.begin(), fixed.end());
    if (!listed) entries.push_back(value);
    ops_->ComboFill(comboId, std::move(entries));
    entry = value.empty() ? -1 : FindEntry(comboId, value);
  }
  ops_->ComboSetCurrentIndex(comboId, entry);
}

Status EditorDialog::ShowRecord(ResourceList::Position record) {
  portKindPicked_ = false;
  Status status = 0;
  if (record->portKind == kPortTcpIp) {
    SelectPortKind(kPortTcpIp);
    bound_.parameter = record->parameter;
    ops_->SetText(ids::kParameter, bound_.parameter);
  } else if (IsPortKind(record->portKind)) {
    SelectPortKind(record->portKind);
  } else {
    status = kGeneralFailure;
  }
  bound_.baud = record->baud;
  ShowValue(ids::kBaud, bound_.baud);
  bound_.alignment = record->alignment;
  ShowValue(ids::kAlignment, bound_.alignment);
  bound_.dataBits = record->dataBits;
  ShowValue(ids::kDataBits, bound_.dataBits);
  bound_.stopBits = record->stopBits;
  ShowValue(ids::kStopBits, bound_.stopBits);
  bound_.parity = record->parity;
  ShowValue(ids::kParity, bound_.parity);
  bound_.timeout = record->timeout;
  ops_->SetText(ids::kTimeout, bound_.timeout);
  return status;
}

Status EditorDialog::RefreshResourceList() {
  std::vector<std::u16string> entries;
  entries.reserve(records().Count());
  for (const ResourceRecord& record : records()) entries.emplace_back(EntryTextOf(record.name));
  ops_->ComboFill(ids::kResource, std::move(entries));
  ops_->ComboSetCurrentIndex(ids::kResource, 0);
  if (ops_->ComboCount(ids::kResource) == 0) {
    currentEntry_ = -1;
    return 0;
  }
  currentName_ = ops_->GetText(ids::kResource);
  currentEntry_ = 0;
  const auto record = RecordOfEntry(0);
  return record == records().end() ? kGeneralFailure : ShowRecord(record);
}

// Entries of equal text stand together in the sorted combo, among those equal but for
// letter case, in the order of their records; the k-th of them is the k-th record listed
// under the text.
ResourceList::Position EditorDialog::RecordOfEntry(int index) {
  const int count = ops_->ComboCount(ids::kResource);
  if (index < 0 || index >= count) return records().end();
  const std::u16string text = ops_->ComboEntryText(ids::kResource, index);
  int rank = 0;
  int twins = 1;
  for (int i = index - 1; i >= 0; --i) {
    const std::u16string other = ops_->ComboEntryText(ids::kResource, i);
    if (!EqualsIgnoreCase(other, text)) break;
    if (other == text) {
      ++rank;
      ++twins;
    }
  }
  for (int i = index + 1; i < count && twins == 1; ++i) {
    const std::u16string other = ops_->ComboEntryText(ids::kResource, i);
    if (!EqualsIgnoreCase(other, text)) break;
    if (other == text) ++twins;
  }
  if (twins == 1) return records().FindByEntry(text);
  for (auto record = records().begin(); record != records().end(); ++record) {
    if (EntryTextOf(record->name) == text && rank-- == 0) return record;
  }
  return records().end();
}

// -1 when no entry stands for the record.
int EditorDialog::EntryOfRecord(ResourceList::Position record) {
  const std::u16string_view text = EntryTextOf(record->name);
  int rank = 0;
  for (auto other = records().begin(); other != record; ++other) {
    if (EntryTextOf(other->name) == text) ++rank;
  }
  const int count = ops_->ComboCount(ids::kResource);
  // The first entry that begins with the text is where the entries equal to it begin
  // (an empty text, which begins none, sorts first).
  const int first = text.empty() ? 0 : ops_->ComboFindPrefix(ids::kResource, -1, text);
  for (int i = first; first >= 0 && i < count; ++i) {
    const std::u16string entry = ops_->ComboEntryText(ids::kResource, i);
    if (!EqualsIgnoreCase(entry, text)) break;
    if (entry == text && rank-- == 0) return i;
  }
  return -1;
}

// The entry the controls show, exactly: a prefix search that ignores letter case could
// pick a twin such as "line1" for "Line1", whose record the next collect would overwrite.
void EditorDialog::SelectCurrentEntryAgain() {
  const int count = ops_->ComboCount(ids::kResource);
  if (currentEntry_ >= 0 && currentEntry_ < count &&
      ops_->ComboEntryText(ids::kResource, currentEntry_) == currentName_) {
    ops_->ComboSetCurrentIndex(ids::kResource, currentEntry_);
    return;
  }
  for (int i = 0; i < count; ++i) {
    if (ops_->ComboEntryText(ids::kResource, i) != currentName_) continue;
    ops_->ComboSetCurrentIndex(ids::kResource, i);
    return;
  }
  ops_->ComboSelectPrefix(ids::kResource, -1, currentName_);
}

/* The commands. */

Status EditorDialog::CollectCurrentResource() {
  bound_.timeout = ops_->GetText(ids::kTimeout);
  bound_.parameter = ops_->GetText(ids::kParameter);
  if (records().Count() == 0) return 0;
  if (bound_.timeout.empty() || HoldsOnlyBlanks(bound_.parameter)) {
    SelectCurrentEntryAgain();  // takes a fresh pick back
    return kGeneralFailure;
  }
  const auto position = RecordOfEntry(currentEntry_);
  if (position == records().end()) return kGeneralFailure;
  ResourceRecord record = *position;
  // A record of no known kind keeps it until the user picks one: the radio button still
  // checked is another record's.
  if (IsPortKind(portKind_) && (IsPortKind(record.portKind) || portKindPicked_)) {
    record.portKind = portKind_;
  }
  record.baud = bound_.baud = ops_->GetText(ids::kBaud);
  record.alignment = bound_.alignment = TypedAlignment(ops_->GetText(ids::kAlignment));
  record.dataBits = bound_.dataBits = ops_->GetText(ids::kDataBits);
  record.stopBits = bound_.stopBits = ops_->GetText(ids::kStopBits);
  record.parity = bound_.parity = ops_->GetText(ids::kParity);
  record.timeout = bound_.timeout;
  record.parameter = bound_.parameter;
  *position = record;
  return 0;
}

void EditorDialog::SwitchResource() {
  if (Succeeded(CollectCurrentResource())) {
    const auto record = RecordOfEntry(ops_->ComboCurrentIndex(ids::kResource));
    if (record != records().end()) ShowRecord(record);
  } else {
    ops_->ApplicationMessageBox(texts::kSwitchRefused);
  }
  currentName_ = ops_->GetText(ids::kResource);
  currentEntry_ = ops_->ComboCurrentIndex(ids::kResource);
  PushBoundTexts();
}

void EditorDialog::SaveCommand() {
  if (records().Count() == 0) return;
  // Saying nothing here would let the user believe the data was saved.
  if (Failed(CollectCurrentResource())) {
    ops_->ApplicationMessageBox(texts::kNotSaved);
    return;
  }
  SaveChangedResources();
}

// Writes what changed here; a file that changed on disk meanwhile is replaced only when
// the user says so. False, after telling which files and why, when something failed.
bool EditorDialog::SaveChangedResources() {
  const SaveReport report = store_.SaveChanged([this](const ResourceRecord& record, bool vanished) {
    return ops_->QuestionBox(
        texts::Format(vanished ? texts::kDeletedOnDisk : texts::kChangedOnDisk, record.name));
  });
  if (Succeeded(report.status)) return true;
  ops_->InformationBox(texts::WithReason(texts::kSaveFailed, FailureLines(report)));
  return false;
}

void EditorDialog::OnOk() {
  if (records().Count() != 0) {
    if (Failed(CollectCurrentResource())) {
      ops_->ApplicationMessageBox(texts::kNotSaved);
      return;
    }
    if (!SaveChangedResources()) return;
  }
  ops_->EndDialog(kEndOk);
}

void EditorDialog::OnCancel() { ops_->EndDialog(kEndCancel); }

void EditorDialog::DeleteResourceCommand() {
  if (ops_->ComboCurrentIndex(ids::kResource) < 0) {
    ops_->ApplicationMessageBox(texts::kSelectToDelete);
    return;
  }
  if (ops_->QuestionBox(texts::kConfirmDelete)) {
    const auto position = RecordOfEntry(ops_->ComboCurrentIndex(ids::kResource));
    const std::u16string fileName =
        position != records().end() ? position->name : WithExtension(ops_->GetText(ids::kResource));
    const ResourceProblem problem = store_.DeleteFile(fileName);
    if (!problem.ok()) {
      ops_->InformationBox(
          texts::WithReason(texts::kDeleteFailed, DescribeProblem(fileName, problem)));
    } else {
      if (position != records().end()) records().Remove(position);
      if (Failed(RefreshResourceList())) ops_->InformationBox(texts::kRefreshFailed);
    }
  }
  if (ops_->ComboCount(ids::kResource) == 0) ops_->ComboSetCurrentIndex(ids::kResource, -1);
}

void EditorDialog::AddResourceCommand() {
  if (Failed(CollectCurrentResource())) {
    ops_->InformationBox(texts::kAddCollectFailed);
    return;
  }
  NewResourceDialog dialog(store_, *ops_);
  if (ops_->RunModalDialog(dialog) != kEndOk) return;
  const std::u16string& newName = dialog.acceptedName();
  if (!newName.empty()) {
    // The record holds what the new file holds, so that showing it changes nothing.
    const auto added =
        store_.Append(NewResourceRecord(WithExtension(newName)), dialog.createdBaseline());
    if (Succeeded(RefreshResourceList())) {
      currentEntry_ = EntryOfRecord(added);
      ops_->ComboSetCurrentIndex(ids::kResource, currentEntry_);
      currentName_ = ops_->GetText(ids::kResource);
    }
  }
  if (dialog.created()) {
    SelectPortKind(kPortTcpIp);
    ops_->SetText(ids::kParameter, kDefaultParameter);
  }
}

void EditorDialog::OnCommand(int id) {
  if (id >= ids::kRadioFirst && id <= ids::kRadioLast) {
    SelectPortKind(id - ids::kRadioFirst);
    portKindPicked_ = true;
  } else if (id == ids::kAddResource) {
    AddResourceCommand();
  } else if (id == ids::kDeleteResource) {
    DeleteResourceCommand();
  } else if (id == ids::kSave) {
    SaveCommand();
  } else if (id == ids::kCommandAbout) {
    ShowAboutBox();
  }
}

void EditorDialog::OnSelectionChange(int id) {
  if (id == ids::kResource) SwitchResource();
}

void EditorDialog::OnHelp() { ShowAboutBox(); }

// Any other system command is the window's own.
bool EditorDialog::OnSystemCommand(std::uintptr_t command) {
  if ((command & kSysCommandMask) != ids::kSysCommandAbout) return false;
  ShowAboutBox();
  return true;
}

void EditorDialog::ShowAboutBox() {
  if (shell_ != nullptr) shell_->ShowAboutBox(*ops_);
}

}  // namespace tirv
