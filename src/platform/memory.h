// Advice to the kernel about large buffers.
#pragma once

#include <cstddef>

namespace tirv {

/// Asks for huge pages behind a large buffer that is about to be filled: one page fault
/// per 2 MiB instead of one per 4 KiB, which is most of the cost of filling fresh memory.
/// Only advice: buffers below a few MiB, and systems without huge pages, are left alone.
void AdviseLargeBuffer(void* data, std::size_t bytes);

}  // namespace tirv
