// Counts the bytes a program holds through the global operator new, and the most it
// held: a deterministic measure of peak memory. It replaces the global allocation
// functions, so include it in exactly one source file of a program, and use it from
// one thread.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace counting {

inline std::size_t gLive = 0;
inline std::size_t gPeak = 0;

// Each block carries its size in front, so that every delete knows what it gives back.
constexpr std::size_t kHeader = alignof(std::max_align_t);

inline void* Allocate(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  gLive += size;
  if (gLive > gPeak) gPeak = gLive;
  return static_cast<char*>(block) + kHeader;
}

inline void Release(void* p) {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - kHeader;
  gLive -= *static_cast<std::size_t*>(block);
  std::free(block);
}

// The most bytes held at once, beyond those held at its creation, while it lives.
class PeakMeter {
 public:
  PeakMeter() : base_(gLive) { gPeak = gLive; }
  std::size_t Peak() const { return gPeak - base_; }

 private:
  std::size_t base_;
};

}  // namespace counting

void* operator new(std::size_t size) { return counting::Allocate(size); }
void* operator new[](std::size_t size) { return counting::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return counting::Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { counting::Release(p); }
void operator delete[](void* p) noexcept { counting::Release(p); }
void operator delete(void* p, std::size_t) noexcept { counting::Release(p); }
void operator delete[](void* p, std::size_t) noexcept { counting::Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { counting::Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { counting::Release(p); }
