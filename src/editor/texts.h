// Every text that the editor's windows and message boxes show, and the kinds of box:
// the captions and labels of the dialog templates, the messages, and the About box.
// Code and tests refer to these constants; the words live here alone.
//
// The first line of each failure message is the text users know; where a failure has a
// file and a reason, WithReason adds them as a second line.
#pragma once

#include <string>
#include <string_view>

namespace tirv {

/// The boxes the editor shows. The numbers are the box types that the trace of the
/// dialog framework prints.
enum class BoxKind {
  kInformation = 64,  ///< owned by a dialog: OK button, information icon
  kQuestion = 36,     ///< owned by a dialog: Yes and No, question icon
  kApplication = 0,   ///< the framework's: the application title, OK, warning icon
};

namespace texts {

inline constexpr std::u16string_view kApplicationTitle = u"Tirvane OPC-Server 2.0 Resource Editor";

// The editor's window: the Port group and its radio buttons, one per port kind.
inline constexpr std::u16string_view kPortGroup = u"Port";
inline constexpr std::u16string_view kCom1 = u"COM1";
inline constexpr std::u16string_view kCom2 = u"COM2";
inline constexpr std::u16string_view kCom3 = u"COM3";
inline constexpr std::u16string_view kCom4 = u"COM4";
inline constexpr std::u16string_view kSimulation1 = u"Simulation 1";
inline constexpr std::u16string_view kSimulation2 = u"Simulation 2";
inline constexpr std::u16string_view kTcpIp = u"TCP/IP";

// The editor's window: the labels beside the settings, and the buttons.
inline constexpr std::u16string_view kResourceLabel = u"Resource:";
inline constexpr std::u16string_view kAlignmentLabel = u"Alignment:";
inline constexpr std::u16string_view kBaudLabel = u"Baud:";
inline constexpr std::u16string_view kStopBitsLabel = u"Stopbits:";
inline constexpr std::u16string_view kDataBitsLabel = u"Databits:";
inline constexpr std::u16string_view kParityLabel = u"Parity:";
inline constexpr std::u16string_view kTimeoutLabel = u"Timeout:";
/// The unit after the Timeout edit.
inline constexpr std::u16string_view kMilliseconds = u"ms";
inline constexpr std::u16string_view kParameterLabel = u"Parameter:";
inline constexpr std::u16string_view kAddResourceButton = u"Add Resource";
inline constexpr std::u16string_view kDeleteResourceButton = u"Delete Resource";
inline constexpr std::u16string_view kSaveButton = u"Save";

// The buttons of the new resource's dialog and of the About box.
inline constexpr std::u16string_view kOkButton = u"OK";
inline constexpr std::u16string_view kCancelButton = u"Cancel";

// Start-up and the workspace.
inline constexpr std::u16string_view kAlreadyStarted = u"Resource Editor already started!";
inline constexpr std::u16string_view kNoIniFile = u"There is no ini file";
inline constexpr std::u16string_view kCannotConvert =
    u"Error converting workspace path, this program will now shut down";
/// "%s" stands for the folder.
inline constexpr std::u16string_view kFolderMissing =
    u"The folder %s does not exist, \n\n would you like it to be created for you?";
inline constexpr std::u16string_view kNoOpcFiles =
    u"There are no files of type .opc, select Add Resource to create one";
inline constexpr std::u16string_view kWorkspaceError =
    u"An error has occoured while loading the workspace";
inline constexpr std::u16string_view kInvalidFile = u"Invalid File";

// The editor's commands.
inline constexpr std::u16string_view kSwitchRefused =
    u"An error has occoured, make sure all values have been set";
inline constexpr std::u16string_view kNotSaved =
    u"Data not saved make sure all values have been set";
inline constexpr std::u16string_view kSaveFailed =
    u"An error has occoured, data may not have been saved";
/// "%s" stands for the file's name.
inline constexpr std::u16string_view kChangedOnDisk =
    u"%s was changed by another program since it was loaded. Replace it with your values?";
/// "%s" stands for the file's name.
inline constexpr std::u16string_view kDeletedOnDisk =
    u"%s was deleted by another program since it was loaded. Create it again with your values?";
inline constexpr std::u16string_view kSelectToDelete = u"You must select a resource to delete";
inline constexpr std::u16string_view kConfirmDelete =
    u"Are you sure you want to delete this resource?";
inline constexpr std::u16string_view kDeleteFailed = u"The resource could not be deleted";
inline constexpr std::u16string_view kRefreshFailed =
    u"An error occoured while refreshing the dialog";
inline constexpr std::u16string_view kAddCollectFailed =
    u"An error has occoured while saving the selected resource, make sure all values have been "
    u"set";

// The new resource's name: the dialog's prompt, and the boxes that refuse a name.
inline constexpr std::u16string_view kEnterNewName = u"Enter the name of the new resource";
inline constexpr std::u16string_view kForbiddenCharacters =
    u"The file name cannot contain any of the following characters \". \\ / : * ? < > |";
inline constexpr std::u16string_view kNoSpaces = u"You cannot have spaces in the file name";
inline constexpr std::u16string_view kEnterName = u"You must enter a name";
inline constexpr std::u16string_view kAlreadyExists = u"A file with that name already exists";
inline constexpr std::u16string_view kCreateFailed =
    u"An error occoured while the file was being created";

// The About box.
inline constexpr std::u16string_view kAboutCaption = u"About Lintrel";
inline constexpr std::u16string_view kAboutVersion = u"Lintrel Version 1.2";

/// `message`, then `reason` on a line of its own; `message` alone when `reason` is empty.
std::u16string WithReason(std::u16string_view message, std::u16string_view reason);

/// `format` with its "%s" replaced by `value`.
std::u16string Format(std::u16string_view format, std::u16string_view value);

}  // namespace texts
}  // namespace tirv
