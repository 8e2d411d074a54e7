#include "input/huge_page_allocator.h"

#include <sys/mman.h>

#include <cstdint>

namespace vantorel::hugepages {
namespace {

constexpr std::size_t hugePage = std::size_t(2) << 20;

std::size_t roundUp(std::size_t bytes) { return (bytes + hugePage - 1) & ~(hugePage - 1); }

}  // namespace

void* allocate(std::size_t bytes) {
  const std::size_t size = roundUp(bytes);
  if (size < bytes) throw std::bad_alloc();
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
  return reinterpret_cast<void*>(aligned);
}

void release(void* p, std::size_t bytes) noexcept { ::munmap(p, roundUp(bytes)); }

}  // namespace vantorel::hugepages
