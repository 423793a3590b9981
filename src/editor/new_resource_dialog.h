// NewResourceDialog: asks for the name of a new resource, checks it, and creates the
// resource's file in the workspace folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dialog/control_ops.h"
#include "resources/resource_file.h"
#include "workspace/resource_store.h"

namespace tirv {

class NewResourceDialog : public DialogLogic {
 public:
  /// `store` creates the file in its folder; `editor` operates the editor's window, whose
  /// Resource combo holds the names that exist.
  NewResourceDialog(ResourceStore& store, ControlOps& editor) : store_(store), editor_(editor) {}

  const DialogTemplate& Template() const override;
  bool OnInitDialog(ControlOps& ops) override;
  /// Checks the typed name (forbidden characters on the text as typed, then spaces
  /// trimmed at the end and the start, inner spaces, emptiness, an exact duplicate of a
  /// Resource entry), creates the file and closes with OK. A failed check, and a file of
  /// that name that exists on disk, keep the dialog open; a file that could not be
  /// created otherwise is reported and still closes with OK.
  void OnOk() override;
  /// Clears `created` and closes with Cancel.
  void OnCancel() override;

  /// Set once a name passed the checks, whether or not its file could be created.
  bool created() const { return created_ != 0; }
  /// The name after trimming.
  const std::u16string& acceptedName() const { return acceptedName_; }
  /// What the created file holds; empty when it could not be created.
  const RecordBaseline& createdBaseline() const { return createdBaseline_; }

 private:
  bool NameIsFree() const;

  ResourceStore& store_;
  ControlOps& editor_;
  ControlOps* ops_ = nullptr;
  std::uint8_t created_ = 0;
  std::u16string acceptedName_;
  std::u16string nameText_;
  RecordBaseline createdBaseline_;
};

}  // namespace tirv
