#include "editor_dialog.h"

#include <iterator>

#include "files.h"
#include "new_resource_dialog.h"
#include "process.h"
#include "templates.h"

namespace tirv {
namespace {

constexpr std::u16string_view kBaudRates[] = {u"110",  u"300",  u"600",   u"1200",  u"2400",
                                              u"4800", u"9600", u"19200", u"38400", u"57600"};

// Enabled state of Baud, Stopbits, Databits, Parity, Timeout and Parameter per PortKind.
constexpr int kSettingControls[6] = {ids::kBaud,   ids::kStopBits, ids::kDataBits,
                                     ids::kParity, ids::kTimeout,  ids::kParameter};
constexpr bool kEnabledByKind[kPortKindCount][6] = {
    {true, true, true, true, true, false},      {true, true, true, true, true, false},
    {true, true, true, true, true, false},      {true, true, true, true, true, false},
    {false, false, false, false, false, false}, {false, false, false, false, false, false},
    {false, false, false, false, false, true},
};

std::u16string WithExtension(std::u16string_view name) {
  return std::u16string(name) + std::u16string(schema::kExtension);
}

}  // namespace

std::u16string ResourceEntryText(std::u16string_view fileName) {
  const std::size_t begin = fileName.find_first_not_of(u'.');
  if (begin == std::u16string_view::npos) return {};
  const std::size_t end = fileName.find(u'.', begin);
  return std::u16string(
      fileName.substr(begin, end == std::u16string_view::npos ? end : end - begin));
}

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
  icon = ids::kProgramIcon;  // the icon resource stands for its handle here
  if (!environment_.endProcess) environment_.endProcess = [](int code) { tirv::EndProcess(code); };
}

EditorDialog::~EditorDialog() { resourceList.Clear(); }

const DialogTemplate& EditorDialog::Template() const { return EditorDialogTemplate(); }

bool EditorDialog::OnInitDialog(ControlOps& ops) {
  ops_ = &ops;
  PushBoundTexts();
  ops.SetUpWindow(icon);
  FillFixedLists();
  ops.ComboSelectPrefix(ids::kBaud, 0, baudText);
  ops.ComboSelectPrefix(ids::kStopBits, 0, stopBitsText);
  ops.ComboSelectPrefix(ids::kDataBits, 0, dataBitsText);
  ops.ComboSelectPrefix(ids::kParity, 0, parityText);
  ops.ComboSelectPrefix(ids::kAlignment, 0, alignmentText);
  WorkspaceLoader loader(*this, folders, environment_.modulePath);
  if (Failed(loader.LoadWorkspace())) ApplicationMessageBox(editor_text::kWorkspaceError);
  return true;
}

void EditorDialog::FillFixedLists() {
  for (std::u16string_view rate : kBaudRates) ops_->ComboAdd(ids::kBaud, rate);
  for (std::u16string_view bits : {u"1", u"2"}) ops_->ComboAdd(ids::kStopBits, bits);
  for (std::u16string_view bits : {u"7", u"8"}) ops_->ComboAdd(ids::kDataBits, bits);
  for (std::u16string_view parity : {u"None", u"Odd", u"Even"})
    ops_->ComboAdd(ids::kParity, parity);
  ops_->ComboAdd(ids::kAlignment, schema::kLittleEndian);
  ops_->ComboAdd(ids::kAlignment, schema::kBigEndian);
}

// Each bound text selects the entry it begins, searching from the first; a text that
// matches none is set as the text (which only an edit field shows).
void EditorDialog::PushBoundTexts() {
  const auto pushCombo = [this](int id, const std::u16string& text) {
    if (ops_->ComboSelectPrefix(id, -1, text) < 0) ops_->SetText(id, text);
  };
  pushCombo(ids::kDataBits, dataBitsText);
  ops_->SetText(ids::kParameter, parameterText);
  pushCombo(ids::kParity, parityText);
  pushCombo(ids::kResource, resourceText);
  pushCombo(ids::kStopBits, stopBitsText);
  ops_->SetText(ids::kTimeout, timeoutText);
  pushCombo(ids::kBaud, baudText);
  pushCombo(ids::kAlignment, alignmentText);
}

void EditorDialog::ReadBoundTexts() {
  dataBitsText = ops_->GetText(ids::kDataBits);
  parameterText = ops_->GetText(ids::kParameter);
  parityText = ops_->GetText(ids::kParity);
  resourceText = ops_->GetText(ids::kResource);
  stopBitsText = ops_->GetText(ids::kStopBits);
  timeoutText = ops_->GetText(ids::kTimeout);
  baudText = ops_->GetText(ids::kBaud);
  alignmentText = ops_->GetText(ids::kAlignment);
}

void EditorDialog::SelectPortKind(std::int32_t kind) {
  if (!IsPortKind(kind)) return;
  for (int i = 0; i < 6; ++i) ops_->EnableControl(kSettingControls[i], kEnabledByKind[kind][i]);
  ops_->CheckRadioButton(ids::kRadioFirst, ids::kRadioLast, ids::kRadioFirst + kind);
  portKindFlags.fill(0);
  portKindFlags[static_cast<std::size_t>(kind)] = 1;
}

void EditorDialog::ShowInCombo(std::u16string& bound, const std::u16string& value, int comboId) {
  bound = value;
  ops_->ComboSelectPrefix(comboId, 0, bound);
}

Status EditorDialog::ShowResource(std::u16string_view name) {
  const auto record = resourceList.FindByName(WithExtension(name));
  if (record == resourceList.end()) return kGeneralFailure;
  Status status = 0;
  if (record->portKind == kPortTcpIp) {
    SelectPortKind(kPortTcpIp);
    parameterText = record->parameter;
    ops_->SetText(ids::kParameter, parameterText);
  } else if (IsPortKind(record->portKind)) {
    SelectPortKind(record->portKind);
  } else {
    status = kGeneralFailure;
  }
  ShowInCombo(baudText, record->baud, ids::kBaud);
  ShowInCombo(alignmentText, record->alignment, ids::kAlignment);
  ShowInCombo(dataBitsText, record->dataBits, ids::kDataBits);
  ShowInCombo(stopBitsText, record->stopBits, ids::kStopBits);
  ShowInCombo(parityText, record->parity, ids::kParity);
  timeoutText = record->timeout;
  ops_->SetText(ids::kTimeout, timeoutText);
  return status;
}

void EditorDialog::ListRecordsFrom(ResourceList::Position first) {
  for (auto it = first; it != resourceList.end(); ++it) {
    ops_->ComboAdd(ids::kResource, ResourceEntryText(it->name));
    lastListed_ = it;
    ++listedCount_;
  }
}

Status EditorDialog::RefreshResourceList() {
  const bool onlyAppended = listedCount_ > 0 && listedRemovals_ == resourceList.Removals() &&
                            listedCount_ <= resourceList.Count() &&
                            static_cast<int>(listedCount_) == ops_->ComboCount(ids::kResource);
  if (onlyAppended) {
    ListRecordsFrom(std::next(lastListed_));
  } else {
    ops_->ComboReset(ids::kResource);
    listedCount_ = 0;
    ListRecordsFrom(resourceList.begin());
  }
  listedRemovals_ = resourceList.Removals();
  ops_->ComboSetCurrentIndex(ids::kResource, 0);
  if (ops_->ComboCount(ids::kResource) == 0) return 0;
  currentName = ops_->GetText(ids::kResource);
  return ShowResource(currentName);
}

Status EditorDialog::CollectCurrentResource(std::u16string_view name) {
  timeoutText = ops_->GetText(ids::kTimeout);
  parameterText = ops_->GetText(ids::kParameter);
  if (resourceList.Count() == 0) return 0;
  if (timeoutText.empty() || parameterText.empty()) {
    ops_->ComboSelectPrefix(ids::kResource, -1, currentName);  // take a fresh pick back
    return kGeneralFailure;
  }
  const auto position = resourceList.FindByName(WithExtension(name));
  if (position == resourceList.end()) return kGeneralFailure;
  ResourceRecord record = *position;
  for (std::int32_t kind = 0; kind < kPortKindCount; ++kind) {
    if (portKindFlags[static_cast<std::size_t>(kind)] != 0) {
      record.portKind = kind;
      break;
    }
  }
  record.baud = baudText = ops_->GetText(ids::kBaud);
  record.alignment = alignmentText = ops_->GetText(ids::kAlignment);
  record.dataBits = dataBitsText = ops_->GetText(ids::kDataBits);
  record.stopBits = stopBitsText = ops_->GetText(ids::kStopBits);
  record.parity = parityText = ops_->GetText(ids::kParity);
  record.timeout = timeoutText;
  record.parameter = parameterText;
  *position = record;
  return 0;
}

void EditorDialog::SwitchResource() {
  if (Succeeded(CollectCurrentResource(currentName))) {
    ShowResource(ops_->GetText(ids::kResource));
  } else {
    ApplicationMessageBox(editor_text::kSwitchRefused);
  }
  currentName = ops_->GetText(ids::kResource);
  PushBoundTexts();
}

void EditorDialog::SaveCommand() {
  if (resourceList.Count() == 0) return;
  // Saying nothing here would let the user believe the data was saved.
  if (Failed(CollectCurrentResource(currentName))) {
    ApplicationMessageBox(editor_text::kNotSaved);
    return;
  }
  if (Failed(Files().SaveAllResources())) InformationBox(editor_text::kSaveFailed);
}

void EditorDialog::OnOk() {
  if (resourceList.Count() != 0) {
    if (Failed(CollectCurrentResource(currentName))) {
      ApplicationMessageBox(editor_text::kNotSaved);
      return;
    }
    if (Failed(Files().SaveAllResources())) {
      InformationBox(editor_text::kSaveFailed);
      return;
    }
  }
  ReadBoundTexts();
  ops_->EndDialog(kEndOk);
}

void EditorDialog::OnCancel() { ops_->EndDialog(kEndCancel); }

void EditorDialog::DeleteResourceCommand() {
  if (ops_->ComboCurrentIndex(ids::kResource) < 0) {
    ApplicationMessageBox(editor_text::kSelectToDelete);
    return;
  }
  if (OwnedMessageBox(editor_text::kConfirmDelete, kApplicationTitle, kBoxYesNoQuestion) ==
      kAnswerYes) {
    deleteName = ops_->GetText(ids::kResource);
    if (DeleteOneFile(JoinPath(folders.workspaceFolder, WithExtension(deleteName)))) {
      const auto position = resourceList.FindByName(WithExtension(deleteName));
      if (position != resourceList.end()) resourceList.Remove(position);
      if (Failed(RefreshResourceList())) InformationBox(editor_text::kRefreshFailed);
    }
  }
  if (ops_->ComboCount(ids::kResource) == 0) ops_->ComboSetCurrentIndex(ids::kResource, -1);
}

void EditorDialog::AddResourceCommand() {
  if (Failed(CollectCurrentResource(currentName))) {
    InformationBox(editor_text::kAddCollectFailed);
    return;
  }
  NewResourceDialog dialog;
  dialog.editor = this;
  dialog.folder = folders.workspaceFolder;
  if (ops_->RunModalDialog(dialog) != kEndOk) return;
  newName = dialog.acceptedName;
  if (!newName.empty() &&
      Succeeded(
          Files().ParseResourceSettings(WithExtension(newName), schema::kNewResourcePort, u"")) &&
      Succeeded(RefreshResourceList())) {
    ops_->ComboSetCurrentIndex(ids::kResource, FindAddedEntry(newName));
    currentName = ops_->GetText(ids::kResource);
  }
  if (dialog.created) {
    SelectPortKind(kPortTcpIp);
    ops_->SetText(ids::kParameter, schema::kDefaultParameter);
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

ResourceFiles EditorDialog::Files() {
  return ResourceFiles(resourceList, folders.workspaceFolder, *this);
}

int EditorDialog::ResourceEntryCount() { return ops_->ComboCount(ids::kResource); }

void EditorDialog::ClearResourceEntries() {
  ops_->ComboReset(ids::kResource);
  listedCount_ = 0;
}

Status EditorDialog::LoadResourceFile(std::u16string_view fileName) {
  return Files().LoadResourceFile(fileName);
}

void EditorDialog::ApplicationMessageBox(std::u16string_view text) {
  ops_->ApplicationMessageBox(text);
}

int EditorDialog::OwnedMessageBox(std::u16string_view text, std::u16string_view caption, int type) {
  return ops_->MessageBox(text, caption, type);
}

void EditorDialog::InformationBox(std::u16string_view text) {
  ops_->MessageBox(text, kApplicationTitle, kBoxInformation);
}

void EditorDialog::EndProcess(int exitCode) { environment_.endProcess(exitCode); }

}  // namespace tirv
