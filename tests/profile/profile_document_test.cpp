// The profile engine on real files: what Load keeps, what Save writes.
#include <gtest/gtest.h>

#include "profile_calls.h"
#include "profile_document.h"
#include "temp_dir.h"
#include "text.h"

namespace tirv {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(ProfileDocumentTest, SetValueOnAbsentFileWritesExactlyOneSection) {
  TempDir dir;
  {
    ProfileDocument document;
    ASSERT_EQ(document.Load(dir.WFile("new.ini")), 0);
    document.SetValue(u"S", u"K", u"V");
  }
  EXPECT_EQ(ReadBytes(dir.File("new.ini")), "[S]\r\nK=V\r\n\r\n");
}

}  // namespace
}  // namespace tirv
