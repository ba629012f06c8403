// Buffers about to be written from end to end: the system supplies their pages in one call
// instead of one page fault each, which costs several times as much on a virtual machine.
#pragma once

#include <cstddef>

namespace folio {

// Asks the system for the whole pages of the size bytes at data at once. Only a hint: systems
// without such a call, and kernels before Linux 5.14, leave the pages to fault one by one.
void prefaultForWriting(void* data, std::size_t size) noexcept;

} // namespace folio
