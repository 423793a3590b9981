#include "editor/templates.h"

#include "editor/texts.h"
#include "resources/resource_file.h"

namespace tirv {
namespace {

using K = ControlKind;

// The Parameter edit holds any parameter that a resource file can hold: one cut to a
// smaller limit would be saved cut.
constexpr int kParameterLimit = static_cast<int>(schema::kMaxFileSize);

// Labels stand at x 81 on the row of their control.
constexpr ControlTemplate kEditorControls[] = {
    {kNoId, K::kGroupBox, texts::kPortGroup, 7, 4, 65, 121},
    {1000, K::kRadioButton, texts::kCom1, 16, 19, 39, 8},
    {1001, K::kRadioButton, texts::kCom2, 16, 32, 36, 10},
    {1002, K::kRadioButton, texts::kCom3, 16, 47, 36, 10},
    {1003, K::kRadioButton, texts::kCom4, 16, 62, 36, 10},
    {1004, K::kRadioButton, texts::kSimulation1, 16, 79, 54, 10, false},
    {1005, K::kRadioButton, texts::kSimulation2, 16, 94, 54, 10, false},
    {1006, K::kRadioButton, texts::kTcpIp, 16, 110, 40, 10},
    {kNoId, K::kStatic, texts::kResourceLabel, 81, 10, 37, 8},
    {1007, K::kDropDownList, u"", 120, 8, 94, 68, true, true},
    {kNoId, K::kStatic, texts::kAlignmentLabel, 81, 25, 37, 8},
    {1023, K::kDropDownEdit, u"", 120, 23, 94, 58, true, true},
    {kNoId, K::kStatic, texts::kBaudLabel, 81, 40, 37, 8},
    {1008, K::kDropDownList, u"", 120, 38, 94, 52, false, false},
    {kNoId, K::kStatic, texts::kStopBitsLabel, 81, 55, 37, 8},
    {1009, K::kDropDownList, u"", 120, 53, 94, 43, false, true},
    {kNoId, K::kStatic, texts::kDataBitsLabel, 81, 70, 37, 8},
    {1010, K::kDropDownList, u"", 120, 68, 94, 89, false, true},
    {kNoId, K::kStatic, texts::kParityLabel, 81, 85, 37, 8},
    {1011, K::kDropDownList, u"", 120, 83, 94, 74, false, true},
    {kNoId, K::kStatic, texts::kTimeoutLabel, 81, 100, 37, 8},
    {1018, K::kEdit, u"", 120, 98, 82, 12, false, false, true},
    {kNoId, K::kStatic, texts::kMilliseconds, 205, 100, 10, 8},
    {kNoId, K::kStatic, texts::kParameterLabel, 81, 115, 37, 8},
    {1013, K::kEdit, u"", 120, 113, 94, 12, false, false, false, 0, kParameterLimit},
    {1014, K::kPushButton, texts::kAddResourceButton, 226, 7, 60, 14},
    {1015, K::kPushButton, texts::kDeleteResourceButton, 226, 25, 60, 14},
    {1020, K::kPushButton, texts::kSaveButton, 226, 43, 60, 14},
};

constexpr ControlTemplate kNewResourceControls[] = {
    {kNoId, K::kStatic, texts::kEnterNewName, 7, 17, 120, 8},
    {1019, K::kEdit, u"", 132, 15, 72, 14},
    {1, K::kDefaultButton, texts::kOkButton, 54, 40, 50, 14},
    {2, K::kPushButton, texts::kCancelButton, 111, 40, 50, 14},
};

constexpr DialogTemplate kEditorTemplate{
    ids::kEditorDialog, texts::kApplicationTitle, 293, 135, u"MS Sans Serif", 8, kEditorControls};
constexpr DialogTemplate kNewResourceTemplate{
    ids::kNewResourceDialog, texts::kApplicationTitle, 216, 61, u"MS Sans Serif", 8,
    kNewResourceControls};

}  // namespace

const DialogTemplate& EditorDialogTemplate() { return kEditorTemplate; }
const DialogTemplate& NewResourceDialogTemplate() { return kNewResourceTemplate; }

}  // namespace tirv
