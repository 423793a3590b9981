#include "editor/editor_dialog.h"

#include "editor/new_resource_dialog.h"
#include "editor/templates.h"
#include "editor/texts.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"
#include "workspace/location.h"

namespace tirv {
namespace {

// The setting controls, and which of them each port kind uses.
constexpr int kSettingControlCount = 6;
constexpr int kSettingControls[kSettingControlCount] = {
    ids::kBaud, ids::kStopBits, ids::kDataBits, ids::kParity, ids::kTimeout, ids::kParameter};
constexpr bool kSerialUses[kSettingControlCount] = {true, true, true, true, true, false};
constexpr bool kSimulationUses[kSettingControlCount] = {false, false, false, false, false, false};
constexpr bool kTcpIpUses[kSettingControlCount] = {false, false, false, false, false, true};

const bool* ControlsUsedBy(std::int32_t kind) {
  if (IsSerialPortKind(kind)) return kSerialUses;
  return kind == kPortTcpIp ? kTcpIpUses : kSimulationUses;
}

// What LoadWorkspace returns after EndProcess came back (only where a test stands in
// for the process): no failure, so no loading error is shown.
constexpr Status kProcessEnded = 1;

// A failed save names at most this many files; the rest are counted.
constexpr std::size_t kNamedFailures = 5;

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

void DispatchWindowMessage(DialogLogic& logic, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t& result) {
  result = 0;
  if (logic.OnMessage(message, wParam, result)) return;
  if (message == kMsgCommand) {
    const int id = static_cast<int>(wParam & 0xFFFF);
    if (id == ids::kOk) {
      logic.OnOk();
    } else if (id == ids::kCancel) {
      logic.OnCancel();
    } else {
      logic.OnCommand(id);
    }
  } else if (message == kMsgSysCommand && (wParam & 0xFFF0) == kSysCommandClose) {
    logic.OnCancel();
  }
}

EditorDialog::EditorDialog(EditorEnvironment environment) : environment_(std::move(environment)) {
  if (!environment_.endProcess) environment_.endProcess = [](int code) { tirv::EndProcess(code); };
  if (!environment_.modulePath) environment_.modulePath = RunningModulePath();
}

EditorDialog::~EditorDialog() = default;

const DialogTemplate& EditorDialog::Template() const { return EditorDialogTemplate(); }

bool EditorDialog::OnInitDialog(ControlOps& ops) {
  ops_ = &ops;
  PushBoundTexts();
  ops.SetUpWindow(ids::kProgramIcon);
  FillFixedLists();
  ops.ComboSelectPrefix(ids::kBaud, 0, bound_.baud);
  ops.ComboSelectPrefix(ids::kStopBits, 0, bound_.stopBits);
  ops.ComboSelectPrefix(ids::kDataBits, 0, bound_.dataBits);
  ops.ComboSelectPrefix(ids::kParity, 0, bound_.parity);
  ops.ComboSelectPrefix(ids::kAlignment, 0, bound_.alignment);
  loadReason_.clear();
  if (Failed(LoadWorkspace())) {
    ops.ApplicationMessageBox(texts::WithReason(texts::kWorkspaceError, loadReason_));
  }
  return true;
}

void EditorDialog::FillFixedLists() {
  for (std::u16string_view rate : choices::kBaudRates) ops_->ComboAdd(ids::kBaud, rate);
  for (std::u16string_view bits : choices::kStopBits) ops_->ComboAdd(ids::kStopBits, bits);
  for (std::u16string_view bits : choices::kDataBits) ops_->ComboAdd(ids::kDataBits, bits);
  for (std::u16string_view parity : choices::kParities) ops_->ComboAdd(ids::kParity, parity);
  for (std::u16string_view order : choices::kAlignments) ops_->ComboAdd(ids::kAlignment, order);
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
    const ResourceFileReading reading = workspace.Read(name);
    if (!reading.problem.ok()) {
      ops_->ApplicationMessageBox(
          texts::WithReason(texts::kInvalidFile, DescribeProblem(name, reading.problem)));
      return;
    }
    store_.Adopt(reading);
    if (IsSerialPortKind(reading.record.portKind)) lastSerialKind = reading.record.portKind;
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

// Each bound text selects the entry it begins, searching from the first; a text that
// matches none is set as the text (which only an edit field shows).
void EditorDialog::PushBoundTexts() {
  const auto pushCombo = [this](int id, const std::u16string& text) {
    if (ops_->ComboSelectPrefix(id, -1, text) < 0) ops_->SetText(id, text);
  };
  pushCombo(ids::kDataBits, bound_.dataBits);
  ops_->SetText(ids::kParameter, bound_.parameter);
  pushCombo(ids::kParity, bound_.parity);
  pushCombo(ids::kResource, bound_.resource);
  pushCombo(ids::kStopBits, bound_.stopBits);
  ops_->SetText(ids::kTimeout, bound_.timeout);
  pushCombo(ids::kBaud, bound_.baud);
  pushCombo(ids::kAlignment, bound_.alignment);
}

void EditorDialog::ReadBoundTexts() {
  bound_.dataBits = ops_->GetText(ids::kDataBits);
  bound_.parameter = ops_->GetText(ids::kParameter);
  bound_.parity = ops_->GetText(ids::kParity);
  bound_.resource = ops_->GetText(ids::kResource);
  bound_.stopBits = ops_->GetText(ids::kStopBits);
  bound_.timeout = ops_->GetText(ids::kTimeout);
  bound_.baud = ops_->GetText(ids::kBaud);
  bound_.alignment = ops_->GetText(ids::kAlignment);
}

void EditorDialog::SelectPortKind(std::int32_t kind) {
  if (!IsPortKind(kind)) return;
  const bool* used = ControlsUsedBy(kind);
  for (int i = 0; i < kSettingControlCount; ++i) ops_->EnableControl(kSettingControls[i], used[i]);
  ops_->CheckRadioButton(ids::kRadioFirst, ids::kRadioLast, ids::kRadioFirst + kind);
  portKind_ = kind;
}

void EditorDialog::ShowInCombo(std::u16string& bound, const std::u16string& value, int comboId) {
  bound = value;
  ops_->ComboSelectPrefix(comboId, 0, bound);
}

Status EditorDialog::ShowResource(std::u16string_view name) {
  const auto record = records().FindByEntry(name);
  if (record == records().end()) return kGeneralFailure;
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
  ShowInCombo(bound_.baud, record->baud, ids::kBaud);
  ShowInCombo(bound_.alignment, record->alignment, ids::kAlignment);
  ShowInCombo(bound_.dataBits, record->dataBits, ids::kDataBits);
  ShowInCombo(bound_.stopBits, record->stopBits, ids::kStopBits);
  ShowInCombo(bound_.parity, record->parity, ids::kParity);
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
  return ShowResource(currentName_);
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

Status EditorDialog::CollectCurrentResource(std::u16string_view name) {
  bound_.timeout = ops_->GetText(ids::kTimeout);
  bound_.parameter = ops_->GetText(ids::kParameter);
  if (records().Count() == 0) return 0;
  if (bound_.timeout.empty() || bound_.parameter.empty()) {
    SelectCurrentEntryAgain();  // takes a fresh pick back
    return kGeneralFailure;
  }
  const auto position = records().FindByEntry(name);
  if (position == records().end()) return kGeneralFailure;
  ResourceRecord record = *position;
  if (IsPortKind(portKind_)) record.portKind = portKind_;
  record.baud = bound_.baud = ops_->GetText(ids::kBaud);
  record.alignment = bound_.alignment = ops_->GetText(ids::kAlignment);
  record.dataBits = bound_.dataBits = ops_->GetText(ids::kDataBits);
  record.stopBits = bound_.stopBits = ops_->GetText(ids::kStopBits);
  record.parity = bound_.parity = ops_->GetText(ids::kParity);
  record.timeout = bound_.timeout;
  record.parameter = bound_.parameter;
  *position = record;
  return 0;
}

void EditorDialog::SwitchResource() {
  if (Succeeded(CollectCurrentResource(currentName_))) {
    ShowResource(ops_->GetText(ids::kResource));
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
  if (Failed(CollectCurrentResource(currentName_))) {
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
    if (Failed(CollectCurrentResource(currentName_))) {
      ops_->ApplicationMessageBox(texts::kNotSaved);
      return;
    }
    if (!SaveChangedResources()) return;
  }
  ReadBoundTexts();
  ops_->EndDialog(kEndOk);
}

void EditorDialog::OnCancel() { ops_->EndDialog(kEndCancel); }

void EditorDialog::DeleteResourceCommand() {
  if (ops_->ComboCurrentIndex(ids::kResource) < 0) {
    ops_->ApplicationMessageBox(texts::kSelectToDelete);
    return;
  }
  if (ops_->QuestionBox(texts::kConfirmDelete)) {
    deleteName_ = ops_->GetText(ids::kResource);
    const auto position = records().FindByEntry(deleteName_);
    const std::u16string fileName =
        position != records().end() ? position->name : WithExtension(deleteName_);
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
  if (Failed(CollectCurrentResource(currentName_))) {
    ops_->InformationBox(texts::kAddCollectFailed);
    return;
  }
  NewResourceDialog dialog(store_, *ops_);
  if (ops_->RunModalDialog(dialog) != kEndOk) return;
  newName_ = dialog.acceptedName();
  if (!newName_.empty()) {
    PortReading reading = ParsePortText(schema::kNewResourcePort, u"");
    reading.record.name = WithExtension(newName_);
    if (Succeeded(reading.status)) {
      store_.Append(reading.record, dialog.createdBaseline());
      if (Succeeded(RefreshResourceList())) {
        currentEntry_ = FindAddedEntry(newName_);
        ops_->ComboSetCurrentIndex(ids::kResource, currentEntry_);
        currentName_ = ops_->GetText(ids::kResource);
      }
    }
  }
  if (dialog.created()) {
    SelectPortKind(kPortTcpIp);
    ops_->SetText(ids::kParameter, kDefaultParameter);
  }
}

// The prefix search ignores letter case: with "Line1" listed, a new "line1" would find
// the older resource, and the next save would give that one the new resource's
// settings. The added entry is the one whose text is exactly the new name.
int EditorDialog::FindAddedEntry(std::u16string_view name) {
  const int found = ops_->ComboFindPrefix(ids::kResource, -1, name);
  if (found < 0 || ops_->ComboEntryText(ids::kResource, found) == name) return found;
  const int count = ops_->ComboCount(ids::kResource);
  for (int i = 0; i < count; ++i) {
    if (ops_->ComboEntryText(ids::kResource, i) == name) return i;
  }
  return found;
}

void EditorDialog::OnCommand(int id) {
  if (id >= ids::kRadioFirst && id <= ids::kRadioLast) {
    SelectPortKind(id - ids::kRadioFirst);
  } else if (id == ids::kAddResource) {
    AddResourceCommand();
  } else if (id == ids::kDeleteResource) {
    DeleteResourceCommand();
  } else if (id == ids::kSave) {
    SaveCommand();
  }
}

void EditorDialog::OnSelectionChange(int id) {
  if (id == ids::kResource) SwitchResource();
}

bool EditorDialog::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t& result) {
  return shell_ != nullptr && shell_->HandleEditorMessage(*ops_, message, wParam, result);
}

}  // namespace tirv
