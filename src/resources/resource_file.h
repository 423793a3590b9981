// The ".opc" resource file: its schema, the grammar of the port text under "ComPort",
// and the mapping between a file and a ResourceRecord in both directions.
//
// Every file access goes through the one-shot profile calls, so each read sees the
// file afresh and each write rewrites it whole; keys other than AdaptationComponent,
// ComTeleLength and ComPort are never touched after a file is created.
#pragma once

#include <string>
#include <string_view>

#include "resource_record.h"
#include "status.h"

namespace tirv {

namespace schema {
inline constexpr std::u16string_view kGeneralSettings = u"GeneralSettings";
inline constexpr std::u16string_view kOnline = u"Online";
inline constexpr std::u16string_view kAdaptationComponent = u"AdaptationComponent";
inline constexpr std::u16string_view kDescription = u"Description";
inline constexpr std::u16string_view kComTeleLength = u"ComTeleLength";
inline constexpr std::u16string_view kComPort = u"ComPort";

inline constexpr std::u16string_view kAdaptLittleEndian = u"QB.OPC.AdaptTIRV3x.LE.20";
inline constexpr std::u16string_view kAdaptBigEndian = u"QB.OPC.AdaptTIRV3x.BE.20";
inline constexpr std::u16string_view kLittleEndian = u"Little Endian";
inline constexpr std::u16string_view kBigEndian = u"Big Endian";
inline constexpr std::u16string_view kDescriptionText =
    u"QB-Software Adaptation for Tirvane LE PLC\u00B4s";

inline constexpr std::u16string_view kTeleLengthSerial = u"256";
inline constexpr std::u16string_view kTeleLengthOther = u"1428";
inline constexpr std::u16string_view kSimulation1 = u"SIM SimHost.dll Vsim1.Vsim1";
inline constexpr std::u16string_view kSimulation2 = u"SIM SimHost.dll Vsim2.Vsim2";
inline constexpr std::u16string_view kTcpIpPrefix = u"DLL netdrv.dll ";
inline constexpr std::u16string_view kNewResourcePort = u"DLL netdrv.dll -ip127.0.0.1";
inline constexpr std::u16string_view kDefaultParameter = u"-ip127.0.0.1";
inline constexpr std::u16string_view kExtension = u".opc";
inline constexpr std::u16string_view kFileNotFound = u"file not found";
inline constexpr std::u16string_view kInvalidFile = u"Invalid File";
}  // namespace schema

/// What the reader needs of the editor: the port-kind selection of a serial resource,
/// and the application message box.
class ResourceEditorLink {
 public:
  virtual ~ResourceEditorLink() = default;
  virtual void SelectPortKind(std::int32_t kind) = 0;
  virtual void ApplicationMessageBox(std::u16string_view text) = 0;
};

/// `folder` + "/" + `name`: the path of a file in the workspace.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

/// The ComPort text of a record of kind 0..6; empty for any other kind.
std::u16string PortTextOf(const ResourceRecord& record);

/// Reads and writes the records of one ResourceList against one workspace folder.
class ResourceFiles {
 public:
  ResourceFiles(ResourceList& list, const std::u16string& workspaceFolder,
                ResourceEditorLink& editor)
      : list_(list), workspaceFolder_(workspaceFolder), editor_(editor) {}

  /// Reads ComPort and AdaptationComponent of `fileName` in the workspace folder and
  /// hands them to ParseResourceSettings; returns its status. A file that cannot be
  /// loaded, or has no ComPort, reads as an invalid port text.
  Status LoadResourceFile(std::u16string_view fileName);

  /// Turns a port text and an adaptation identifier into a record named `fileName` and
  /// appends it. A text with none of "SIM", "DLL", "V24" shows "Invalid File", appends
  /// nothing and fails. A serial text selects its port kind in the editor; one that
  /// names none of COM1..COM4 is appended with kind -1 and fails. A simulation text
  /// that is neither of the two is appended with kind -1 and succeeds.
  Status ParseResourceSettings(std::u16string_view fileName, std::u16string_view portText,
                               std::u16string_view adaptation);

  /// Writes AdaptationComponent, ComTeleLength and ComPort of every record into its
  /// file, in list order, going on after a failure. kGeneralFailure when the list is
  /// empty, when any write failed, or when no record has a kind of 0..6.
  Status SaveAllResources();

 private:
  ResourceList& list_;
  const std::u16string& workspaceFolder_;
  ResourceEditorLink& editor_;
};

/// Creates `folder`/`resourceName`.opc when no such file exists, then writes the four
/// keys of a new TCP/IP resource into it (an existing file keeps its other keys).
/// 0 when all four writes succeeded; kGeneralFailure at the first that did not.
Status CreateResourceFile(std::u16string_view resourceName, std::u16string_view folder);

}  // namespace tirv
