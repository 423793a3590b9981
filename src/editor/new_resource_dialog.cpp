#include "editor/new_resource_dialog.h"

#include "editor/templates.h"
#include "editor/texts.h"
#include "resources/resource_names.h"

namespace tirv {
namespace {

std::u16string_view RefusalText(NameCheck check) {
  switch (check) {
    case NameCheck::kForbiddenCharacter:
      return texts::kForbiddenCharacters;
    case NameCheck::kInnerSpace:
      return texts::kNoSpaces;
    case NameCheck::kEmpty:
    case NameCheck::kAccepted:
      break;
  }
  return texts::kEnterName;
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
  const NameCheck check = CheckNewResourceName(ops_->GetText(ids::kNewName), acceptedName_);
  nameText_ = acceptedName_;
  if (check != NameCheck::kAccepted) {
    ops_->InformationBox(RefusalText(check));
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
