// The editor's dialog templates (102: the editor, 130: the new resource's name), the
// identifiers of their controls, and the commands of the editor's window.
#pragma once

#include <cstdint>

#include "dialog/dialog_template.h"

namespace tirv {

namespace ids {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kRadioFirst = 1000;  ///< COM1; the radio button of PortKind k is 1000 + k
inline constexpr int kRadioSimulation1 = 1004;
inline constexpr int kRadioSimulation2 = 1005;
inline constexpr int kRadioLast = 1006;  ///< TCP/IP
inline constexpr int kResource = 1007;
inline constexpr int kBaud = 1008;
inline constexpr int kStopBits = 1009;
inline constexpr int kDataBits = 1010;
inline constexpr int kParity = 1011;
inline constexpr int kParameter = 1013;
inline constexpr int kAddResource = 1014;
inline constexpr int kDeleteResource = 1015;
inline constexpr int kTimeout = 1018;
inline constexpr int kNewName = 1019;
inline constexpr int kSave = 1020;
inline constexpr int kAlignment = 1023;

// The About box's commands: one that no control stands for, and one of the system menu.
inline constexpr int kCommandAbout = 32771;
inline constexpr std::uintptr_t kSysCommandAbout = 0x10;

inline constexpr int kEditorDialog = 102;
inline constexpr int kNewResourceDialog = 130;
inline constexpr int kProgramIcon = 138;
inline constexpr int kExecutableIcon = 128;
}  // namespace ids

const DialogTemplate& EditorDialogTemplate();
const DialogTemplate& NewResourceDialogTemplate();

}  // namespace tirv
