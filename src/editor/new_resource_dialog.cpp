#include "new_resource_dialog.h"

#include <cassert>

#include "editor_dialog.h"
#include "resource_file.h"
#include "templates.h"
#include "workspace.h"

namespace tirv {
namespace {

constexpr std::u16string_view kForbidden = u".\\/:*?<>|\"";

// Spaces only: a tab or other white space stays part of the name.
void TrimSpaces(std::u16string& text) {
  text.erase(text.find_last_not_of(u' ') + 1);  // npos + 1 erases everything
  text.erase(0, text.find_first_not_of(u' '));
}

}  // namespace

const DialogTemplate& NewResourceDialog::Template() const { return NewResourceDialogTemplate(); }

bool NewResourceDialog::OnInitDialog(ControlOps& ops) {
  assert(editor != nullptr && "the editor sets itself before running the dialog");
  ops_ = &ops;
  ops.SetText(ids::kNewName, nameText);
  return true;
}

void NewResourceDialog::InformationBox(std::u16string_view text) {
  ops_->MessageBox(text, kApplicationTitle, kBoxInformation);
}

bool NewResourceDialog::NameIsFree() const {
  ControlOps& editorOps = editor->ops();
  const int count = editorOps.ComboCount(ids::kResource);
  for (int i = 0; i < count; ++i) {
    if (editorOps.ComboEntryText(ids::kResource, i) == nameText) return false;
  }
  return true;
}

void NewResourceDialog::OnOk() {
  nameText = ops_->GetText(ids::kNewName);
  acceptedName = nameText;
  if (nameText.find_first_of(kForbidden) != std::u16string::npos) {
    InformationBox(new_resource_text::kForbiddenCharacters);
    return;
  }
  if (nameText.find(u' ') != std::u16string::npos) {
    TrimSpaces(nameText);
    acceptedName = nameText;
    if (nameText.find(u' ') != std::u16string::npos) {
      InformationBox(new_resource_text::kNoSpaces);
      return;
    }
  }
  if (nameText.empty()) {
    InformationBox(new_resource_text::kEnterName);
    return;
  }
  if (!NameIsFree()) {
    InformationBox(new_resource_text::kAlreadyExists);
    return;
  }
  if (Failed(CreateResourceFile(nameText, folder))) {
    ops_->ApplicationMessageBox(new_resource_text::kCreateFailed);
  }
  created = 1;
  ops_->EndDialog(kEndOk);
}

void NewResourceDialog::OnCancel() {
  created = 0;
  ops_->EndDialog(kEndCancel);
}

}  // namespace tirv
