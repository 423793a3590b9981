#include "new_resource_dialog.h"

#include "templates.h"
#include "texts.h"

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
  ops_ = &ops;
  ops.SetText(ids::kNewName, nameText_);
  return true;
}

bool NewResourceDialog::NameIsFree() const {
  const int count = editor_.ComboCount(ids::kResource);
  for (int i = 0; i < count; ++i) {
    if (editor_.ComboEntryText(ids::kResource, i) == nameText_) return false;
  }
  return true;
}

void NewResourceDialog::OnOk() {
  nameText_ = ops_->GetText(ids::kNewName);
  acceptedName_ = nameText_;
  if (nameText_.find_first_of(kForbidden) != std::u16string::npos) {
    ops_->InformationBox(texts::kForbiddenCharacters);
    return;
  }
  if (nameText_.find(u' ') != std::u16string::npos) {
    TrimSpaces(nameText_);
    acceptedName_ = nameText_;
    if (nameText_.find(u' ') != std::u16string::npos) {
      ops_->InformationBox(texts::kNoSpaces);
      return;
    }
  }
  if (nameText_.empty()) {
    ops_->InformationBox(texts::kEnterName);
    return;
  }
  if (!NameIsFree()) {
    ops_->InformationBox(texts::kAlreadyExists);
    return;
  }
  // A file of that name that appeared on disk since start-up is refused like a listed one,
  // never rewritten.
  const ResourceProblem problem = store_.CreateFile(nameText_, &createdBaseline_);
  if (problem.fault == ResourceFault::kExists) {
    ops_->InformationBox(texts::kAlreadyExists);
    return;
  }
  if (!problem.ok()) {
    createdBaseline_ = RecordBaseline{};
    ops_->ApplicationMessageBox(texts::WithReason(
        texts::kCreateFailed,
        DescribeProblem(nameText_ + std::u16string(schema::kExtension), problem)));
  }
  created_ = 1;
  ops_->EndDialog(kEndOk);
}

void NewResourceDialog::OnCancel() {
  created_ = 0;
  ops_->EndDialog(kEndCancel);
}

}  // namespace tirv
