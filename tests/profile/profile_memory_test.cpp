// The memory a load takes, counted exactly: whatever the shape of the file, the peak
// stays within a small multiple of its size. The shapes are those with the most lines
// for their bytes, where any per-line cost shows most, and real resource files.
#include "counting_allocator.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "profile/profile_document.h"
#include "profile_shapes.h"
#include "support/temp_dir.h"

namespace tirv {
namespace {

using testing::ProfileShape;
using testing::ProfileShapes;
using testing::TempDir;
using testing::WriteBytes;

constexpr std::size_t kFileSize = std::size_t{4} << 20;
constexpr double kMaxFactor = 8;

TEST(ProfileMemoryTest, LoadPeaksWithinEightTimesTheFileSize) {
  TempDir dir;
  for (const ProfileShape& shape : ProfileShapes()) {
    SCOPED_TRACE(shape.label);
    const std::string bytes = testing::ShapedFile(shape, kFileSize);
    WriteBytes(dir.File("shape.ini"), bytes);
    const std::u16string file = dir.WFile("shape.ini");
    std::size_t peak = 0;
    {
      ProfileDocument document;
      counting::PeakMeter meter;
      ASSERT_EQ(document.Load(file), 0);
      peak = meter.Peak();
      // Only a file of blank lines holds nothing: the peak measured a real load.
      std::string rendered;
      ASSERT_EQ(document.Render(rendered), 0);
      EXPECT_EQ(rendered.empty(), shape.line == "\n");
    }
    const double factor = static_cast<double>(peak) / static_cast<double>(bytes.size());
    EXPECT_LE(factor, kMaxFactor) << peak << " bytes at the peak for " << bytes.size();
  }
}

}  // namespace
}  // namespace tirv
