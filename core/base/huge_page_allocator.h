#pragma once
// The allocator of a mesh's large arrays. Fresh memory costs a page fault and a clear per 4 KiB
// page on first touch, which for a mesh of a million triangles is a good part of a load; arrays of
// a few MiB and more are therefore mapped on 2 MiB boundaries with transparent huge pages advised,
// so that the same memory costs one fault per 2 MiB. Smaller arrays come from the usual heap.
#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace vantorel {

namespace hugepages {
/// Memory for `bytes`, on huge pages where the system allows; `bytes` must be at least `threshold`.
/// Memory released earlier is reused first, so the contents are undefined. Throws std::bad_alloc.
void* allocate(std::size_t bytes);
/// The same, all zeros.
void* allocateZeroed(std::size_t bytes);
/// Gives memory back; up to a limit it is kept for the next allocations rather than unmapped.
void release(void* p, std::size_t bytes) noexcept;
/// Unmaps all memory kept for reuse (for a process about to idle, or to measure memory afresh).
void releaseKept() noexcept;

#if defined(__SANITIZE_ADDRESS__)
#define VANTOREL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTOREL_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(VANTOREL_ADDRESS_SANITIZER)
// Under the address sanitizer every array stays on the checked heap.
inline constexpr std::size_t threshold = ~std::size_t(0);
#else
inline constexpr std::size_t threshold = std::size_t(4) << 20;
#endif
}  // namespace hugepages

template <class T>
struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() noexcept = default;
  template <class U>
  HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t bytes = n * sizeof(T);
    if (bytes < hugepages::threshold) return static_cast<T*>(::operator new(bytes));
    return static_cast<T*>(hugepages::allocate(bytes));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < hugepages::threshold) ::operator delete(p);
    else hugepages::release(p, bytes);
  }
  template <class U>
  bool operator==(const HugePageAllocator<U>&) const noexcept {
    return true;
  }
};

/// The array type of a mesh's positions, indices and the like.
template <class T>
using MeshArray = std::vector<T, HugePageAllocator<T>>;

/// A fixed number of zeros, for tables whose empty entries are zero. Large ones on fresh huge
/// pages are zero already, so nothing is written up front and a page is only cleared when first
/// used; memory kept from earlier arrays is cleared when handed out again.
template <class T>
class ZeroedArray {
  static_assert(std::is_trivially_copyable_v<T>);

public:
  ZeroedArray() noexcept = default;
  explicit ZeroedArray(std::size_t n) : size_(n) {
    if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
    if (n == 0) return;
    if (bytes() < hugepages::threshold) {
      data_ = static_cast<T*>(std::calloc(n, sizeof(T)));
      if (!data_) throw std::bad_alloc();
    } else {
      data_ = static_cast<T*>(hugepages::allocateZeroed(bytes()));
    }
  }
  ZeroedArray(ZeroedArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  ZeroedArray& operator=(ZeroedArray&& other) noexcept {
    if (this != &other) {
      release();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  ~ZeroedArray() { release(); }

  std::size_t size() const noexcept { return size_; }
  T& operator[](std::size_t i) noexcept { return data_[i]; }
  const T& operator[](std::size_t i) const noexcept { return data_[i]; }

private:
  std::size_t bytes() const noexcept { return size_ * sizeof(T); }
  void release() noexcept {
    if (!data_) return;
    if (bytes() < hugepages::threshold) std::free(data_);
    else hugepages::release(data_, bytes());
    data_ = nullptr;
    size_ = 0;
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace vantorel
