// NewResourceDialog: asks for the name of a new resource, checks it, and creates the
// resource's file in the workspace folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "control_ops.h"

namespace tirv {

class EditorDialog;

namespace new_resource_text {
inline constexpr std::u16string_view kForbiddenCharacters =
    u"The file name cannot contain any of the following characters \". \\ / : * ? < > |";
inline constexpr std::u16string_view kNoSpaces = u"You cannot have spaces in the file name";
inline constexpr std::u16string_view kEnterName = u"You must enter a name";
inline constexpr std::u16string_view kAlreadyExists = u"A file with that name already exists";
inline constexpr std::u16string_view kCreateFailed =
    u"An error occoured while the file was being created";
}  // namespace new_resource_text

class NewResourceDialog : public DialogLogic {
 public:
  const DialogTemplate& Template() const override;
  bool OnInitDialog(ControlOps& ops) override;
  /// Checks the typed name (forbidden characters on the text as typed, then spaces
  /// trimmed at the end and the start, inner spaces, emptiness, an exact duplicate of a
  /// Resource entry), creates the file and closes with OK. A failed check keeps the
  /// dialog open; a file that could not be created is reported and still closes with OK.
  void OnOk() override;
  /// Clears `created` and closes with Cancel.
  void OnCancel() override;

  std::uint8_t created = 0;        ///< set once a name passed the checks
  std::u16string acceptedName;     ///< the name after trimming
  std::u16string folder;           ///< where the file is created; set before the run
  EditorDialog* editor = nullptr;  ///< whose Resource combo holds the existing names
  std::u16string nameText;

 private:
  bool NameIsFree() const;
  void InformationBox(std::u16string_view text);

  ControlOps* ops_ = nullptr;
};

}  // namespace tirv
