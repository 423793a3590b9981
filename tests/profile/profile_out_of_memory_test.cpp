// Memory running out at any allocation inside the profile calls: each call reports a
// failure result, no exception escapes, and the file keeps its bytes. This program
// replaces the global allocation functions so that the n-th allocation can fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "profile/profile_calls.h"
#include "profile/profile_document.h"
#include "support/temp_dir.h"

namespace {

int gFailAt = 0;  // 0: never fail
int gCount = 0;
bool gFired = false;

void* Allocate(std::size_t size) {
  if (gFailAt > 0 && ++gCount == gFailAt) {
    gFired = true;
    throw std::bad_alloc();
  }
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Arms the n-th allocation from now on to fail, for the lifetime of the object.
class FailingAllocation {
 public:
  explicit FailingAllocation(int nth) {
    gCount = 0;
    gFired = false;
    gFailAt = nth;
  }
  ~FailingAllocation() { gFailAt = 0; }
  bool fired() const { return gFired; }
};

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace tirv {
namespace {

using testing::ListFolder;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kOld = "[S]\r\nA=1\r\nB=2\r\n\r\n[T]\r\nC=3\r\n\r\n";

TEST(ProfileOutOfMemoryTest, WriteFailsCleanlyWhereverMemoryRunsOut) {
  TempDir dir;
  const std::u16string file = dir.WFile("r.opc");
  int failures = 0;
  for (int nth = 1;; ++nth) {
    SCOPED_TRACE("allocation " + std::to_string(nth) + " fails");
    WriteBytes(dir.File("r.opc"), kOld);
    std::int32_t result = -1;
    bool escaped = false;
    bool fired = false;
    {
      FailingAllocation failing(nth);
      try {
        result = WriteProfileString(u"New", u"Key", u"a value", file);
      } catch (...) {
        escaped = true;
      }
      fired = failing.fired();
    }
    EXPECT_FALSE(escaped);
    const std::string expected = kOld + "[New]\r\nKey=a value\r\n\r\n";
    if (!fired) {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(ReadBytes(dir.File("r.opc")), expected);
      break;
    }
    ++failures;
    EXPECT_EQ(ReadBytes(dir.File("r.opc")), result == 1 ? expected : kOld);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"r.opc"});
  }
  EXPECT_GT(failures, 3);
}

TEST(ProfileOutOfMemoryTest, ReadGivesTheValueOrAFailureWhereverMemoryRunsOut) {
  TempDir dir;
  WriteBytes(dir.File("r.opc"), kOld);
  const std::u16string file = dir.WFile("r.opc");
  for (int nth = 1;; ++nth) {
    SCOPED_TRACE("allocation " + std::to_string(nth) + " fails");
    char16_t buffer[16] = u"untouched";
    std::int32_t result = -1;
    bool escaped = false;
    bool fired = false;
    {
      FailingAllocation failing(nth);
      try {
        result = ReadProfileString(u"T", u"C", u"dflt", buffer, 16, file);
      } catch (...) {
        escaped = true;
      }
      fired = failing.fired();
    }
    EXPECT_FALSE(escaped);
    if (result == 1) {
      EXPECT_EQ(std::u16string(buffer), u"3");
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(std::u16string(buffer), u"");
    }
    if (!fired) {
      EXPECT_EQ(result, 1);
      break;
    }
  }
  EXPECT_EQ(ReadBytes(dir.File("r.opc")), kOld);
}

TEST(ProfileOutOfMemoryTest, LoadReportsFailureAndKeepsNothingWhenMemoryRunsOut) {
  TempDir dir;
  WriteBytes(dir.File("r.opc"), kOld);
  const std::u16string file = dir.WFile("r.opc");
  for (int nth = 1;; ++nth) {
    SCOPED_TRACE("allocation " + std::to_string(nth) + " fails");
    ProfileDocument document;
    Status status = 1;
    bool fired = false;
    {
      FailingAllocation failing(nth);
      try {
        status = document.Load(file);
      } catch (...) {
        ADD_FAILURE() << "an exception escaped Load";
      }
      fired = failing.fired();
    }
    std::vector<ProfileSectionCopy> sections;
    ASSERT_EQ(document.Sections(sections), 0);
    if (!fired) {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(sections.size(), 2u);
      break;
    }
    EXPECT_EQ(status, kGeneralFailure);
    EXPECT_EQ(sections.size(), 0u);
  }
}

}  // namespace
}  // namespace tirv
