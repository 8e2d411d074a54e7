#include "base/huge_page_allocator.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

namespace vantorel::hugepages {
namespace {

constexpr std::size_t hugePage = std::size_t(2) << 20;

std::size_t roundUp(std::size_t bytes) { return (bytes + hugePage - 1) & ~(hugePage - 1); }

// Memory given back is kept for the next arrays, up to a limit. Fresh memory costs a fault and a
// clear per page, and in a virtual machine the host's backing of each page as well (some
// milliseconds per MiB after the host has taken back what the guest freed); kept memory is ready.
// Loading one model after another, as a batch does, asks for much the same sizes each time.
constexpr std::size_t keptLimit = std::size_t(128) << 20;

struct Block {
  std::byte* begin;
  std::size_t size;
};

struct Kept {
  std::mutex mutex;
  std::vector<Block> blocks;
  std::size_t bytes = 0;
};

Kept& kept() {
  static Kept& instance = *new Kept;  // never destroyed: arrays may be released during exit
  return instance;
}

// The smallest kept block of at least `size` bytes, cut to size, or nullptr.
std::byte* reuse(std::size_t size) {
  Kept& k = kept();
  const std::lock_guard lock(k.mutex);
  auto best = k.blocks.end();
  for (auto b = k.blocks.begin(); b != k.blocks.end(); ++b) {
    if (b->size >= size && (best == k.blocks.end() || b->size < best->size)) best = b;
  }
  if (best == k.blocks.end()) return nullptr;
  std::byte* p = best->begin;
  if (best->size > size) {
    *best = {p + size, best->size - size};  // the rest stays kept
  } else {
    k.blocks.erase(best);
  }
  k.bytes -= size;
  return p;
}

std::byte* map(std::size_t size) {
  // Map one huge page more than needed and trim both ends to a 2 MiB boundary.
  void* mapped = ::mmap(nullptr, size + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  const auto begin = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (begin + hugePage - 1) & ~std::uintptr_t(hugePage - 1);
  if (aligned > begin) ::munmap(mapped, aligned - begin);
  const std::uintptr_t tail = aligned + size;
  if (tail < begin + size + hugePage) ::munmap(reinterpret_cast<void*>(tail), begin + size + hugePage - tail);
  // Advice only: where huge pages are off this changes nothing.
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<std::byte*>(aligned);
}

}  // namespace

namespace {

void* obtain(std::size_t bytes, bool zeroed) {
  const std::size_t size = roundUp(bytes);
  if (size < bytes) throw std::bad_alloc();
  if (std::byte* p = reuse(size)) {
    if (zeroed) std::memset(p, 0, bytes);
    return p;
  }
  return map(size);  // fresh pages are zero
}

}  // namespace

void* allocate(std::size_t bytes) { return obtain(bytes, false); }
void* allocateZeroed(std::size_t bytes) { return obtain(bytes, true); }

void release(void* p, std::size_t bytes) noexcept {
  const std::size_t size = roundUp(bytes);
  {
    Kept& k = kept();
    const std::lock_guard lock(k.mutex);
    if (k.bytes + size <= keptLimit) {
      try {
        k.blocks.push_back({static_cast<std::byte*>(p), size});
        k.bytes += size;
        return;
      } catch (...) {  // no room to note it: give it back
      }
    }
  }
  ::munmap(p, size);
}

void releaseKept() noexcept {
  Kept& k = kept();
  const std::lock_guard lock(k.mutex);
  for (const Block& b : k.blocks) ::munmap(b.begin, b.size);
  k.blocks.clear();
  k.bytes = 0;
}

}  // namespace vantorel::hugepages
