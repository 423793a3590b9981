// The resource file as bytes: what a file reads as, and what a write of a changed record
// leaves in it: only the keys whose values a person changed, every other byte as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/text.h"
#include "resources/resource_file.h"
#include "support/record_print.h"

namespace tirv {
namespace {

FileBytes BytesOf(const std::string& text) {
  FileBytes bytes;
  bytes.data = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(bytes.data.get(), text.data(), text.size());
  bytes.size = text.size();
  return bytes;
}

// The file's bytes after a write of the record read from `text`, changed by `edit`.
std::string AfterWrite(const std::string& text, const std::function<void(ResourceRecord&)>& edit,
                       std::string* change = nullptr) {
  const ResourceFileReading reading = ParseResourceFile(u"R.opc", BytesOf(text));
  EXPECT_TRUE(reading.problem.ok()) << Utf16ToUtf8(ReasonOf(reading.problem));
  ResourceRecord record = reading.record;
  edit(record);
  FileBytes current = BytesOf(text);
  RenderedFile rendered;
  EXPECT_TRUE(RenderChanges(record, reading.baseline, &current, rendered).ok());
  if (change != nullptr) *change = rendered.change;
  return rendered.bytes;
}

TEST(RenderChangesTest, OnlyTheKeysOfChangedValuesAreSet) {
  // Values no front end would write: an unknown adaptation, a tele length the port does
  // not use, a short serial text with a token of its own.
  const std::string custom =
      "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptCustom.XX.21\r\n\r\n"
      "[Online]\r\nComTeleLength=999\r\nComPort=V24 2 9600 7 2 2 500 0 extra\r\n\r\n";
  EXPECT_EQ(AfterWrite(custom, [](ResourceRecord&) {}), custom);

  // A port value changed: the port keys are set, the adaptation stays.
  std::string change;
  EXPECT_EQ(AfterWrite(
                custom, [](ResourceRecord& r) { r.timeout = u"900"; }, &change),
            "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptCustom.XX.21\r\n\r\n"
            "[Online]\r\nComTeleLength=256\r\nComPort=V24 2 9600 7 2 2 900 0\r\n\r\n");
  EXPECT_EQ(change, "ComPort \"V24 2 9600 7 2 2 500 0 extra\" -> \"V24 2 9600 7 2 2 900 0\"");

  // The alignment changed: the adaptation is set, the port text keeps its extra token.
  EXPECT_EQ(AfterWrite(
                custom, [](ResourceRecord& r) { r.alignment = alignment::kBigEndian; }, &change),
            "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n\r\n"
            "[Online]\r\nComTeleLength=999\r\nComPort=V24 2 9600 7 2 2 500 0 extra\r\n\r\n");
  EXPECT_EQ(change,
            "AdaptationComponent \"QB.OPC.AdaptCustom.XX.21\" -> \"QB.OPC.AdaptTIRV3x.BE.20\"");

  // A port text too short for every field keeps its bytes while no port value changes.
  const std::string shortText = "[Online]\r\nComPort=V24 2\r\n\r\n";
  EXPECT_EQ(AfterWrite(shortText, [](ResourceRecord& r) { r.alignment = alignment::kBigEndian; }),
            "[Online]\r\nComPort=V24 2\r\n\r\n"
            "[GeneralSettings]\r\nAdaptationComponent=QB.OPC.AdaptTIRV3x.BE.20\r\n\r\n");
}

TEST(RenderChangesTest, AFileThatIsGoneIsMadeAgainWithTheLayoutOfANewOneAndTheValues) {
  const std::string text = "[Online]\r\nComPort=V24 3 9600 8 1 1 2000 0\r\n";
  const ResourceFileReading reading = ParseResourceFile(u"R.opc", BytesOf(text));
  ResourceRecord record = reading.record;
  record.baud = u"19200";
  RenderedFile rendered;
  ASSERT_TRUE(RenderChanges(record, reading.baseline, nullptr, rendered).ok());
  EXPECT_EQ(rendered.bytes,
            "[GeneralSettings]\r\nAdaptationComponent=\r\n"
            "Description=QB-Software Adaptation for Tirvane LE PLC\xB4s\r\n\r\n"
            "[Online]\r\nComTeleLength=256\r\nComPort=V24 3 19200 8 1 1 2000 0\r\n\r\n");
}

TEST(CheckWritableTest, APortTextTheFileCannotHoldIsRefusedWithItsReason) {
  ResourceRecord tcp = ParsePortText(u"DLL netdrv.dll -ip1", u"").record;
  tcp.name = u"T.opc";
  EXPECT_TRUE(CheckWritable(tcp).ok());
  struct Case {
    const char16_t* parameter;
    ResourceFault fault;
    const char* reason;
  };
  const Case cases[] = {
      {u" -ip1", ResourceFault::kBlankEnds,
       "the parameter begins or ends with a blank, which the file cannot keep (blanks at the "
       "ends of a value are dropped when it is read)"},
      {u"-ip1\t", ResourceFault::kBlankEnds, nullptr},
      {u"-ip1\r\n[Evil]", ResourceFault::kLineBreak, "a value holds a line break"},
      {u"-ip\u0142", ResourceFault::kUnencodable,
       "the character \"\u0142\" (U+0142) cannot be written in the code page WINDOWS-1252"},
  };
  for (const Case& c : cases) {
    tcp.parameter = c.parameter;
    const ResourceProblem problem = CheckWritable(tcp);
    EXPECT_EQ(problem.fault, c.fault);
    EXPECT_TRUE(problem.refusedValue());
    if (c.reason != nullptr) {
      EXPECT_EQ(Utf16ToUtf8(ReasonOf(problem)), c.reason);
    }
  }
  // A parameter that its file holds with a blank at its start is the file's own: it
  // stays while only other values change, and is refused once it is to be written.
  const ResourceFileReading read =
      ParseResourceFile(u"R.opc", BytesOf("[Online]\r\nComPort=DLL netdrv.dll  -ip1\r\n"));
  ASSERT_EQ(read.record.parameter, u" -ip1");
  ResourceRecord aligned = read.record;
  aligned.alignment = alignment::kBigEndian;
  EXPECT_TRUE(CheckWritable(aligned, &read.baseline).ok());
  aligned.parameter = u" -ip2";
  EXPECT_EQ(CheckWritable(aligned, &read.baseline).fault, ResourceFault::kBlankEnds);

  // Blanks inside are kept; a serial record carries a parameter it never writes.
  tcp.parameter = u"-ip1 -t5";
  EXPECT_TRUE(CheckWritable(tcp).ok());
  ResourceRecord serial = ParsePortText(u"V24 1 9600 8 1 0 2000 0", u"").record;
  serial.parameter = u" carried ";
  EXPECT_TRUE(CheckWritable(serial).ok());
}

}  // namespace
}  // namespace tirv
