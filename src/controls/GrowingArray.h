#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// A growing array of plain values: a grid's text, its cells' places and its
// row colours. It
// grows by realloc, which moves the pages of a large block instead of
// copying them (a history of many megabytes would otherwise be copied, and
// fresh pages touched, at every doubling), and what it adds is not zero-filled
// unless asked, since the grid writes every new element right away.
template <typename T> class GrowingArray {
    static_assert(std::is_trivially_copyable_v<T>, "moved by realloc");

public:
    GrowingArray() = default;
    ~GrowingArray() { std::free(data_); }
    GrowingArray(const GrowingArray&) = delete;
    GrowingArray& operator=(const GrowingArray&) = delete;

    T* data() { return data_; }
    const T* data() const { return data_; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }

    void reserve(size_t count)
    {
        if (count <= capacity_)
            return;
        void* grown = std::realloc(data_, count * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        data_ = static_cast<T*>(grown);
        capacity_ = count;
        // A block that moved by copying has fresh pages past the copy.
        populated_ = std::min(populated_, size_);
    }
    // Gives back what more than twice the elements would need.
    void shrink()
    {
        if (capacity_ <= 2 * size_ || size_ == 0)
            return;
        if (void* smaller = std::realloc(data_, size_ * sizeof(T))) {
            data_ = static_cast<T*>(smaller);
            capacity_ = size_;
            populated_ = std::min(populated_, size_);
        }
    }
    // The elements added are unset until written.
    void resize(size_t count)
    {
        if (count > capacity_)
            reserve(std::max(count, capacity_ * 2));
        size_ = count;
        if (count > populated_)
            populate();
    }
    void resize(size_t count, T value)
    {
        const size_t old = size_;
        resize(count);
        if (count > old)
            std::fill(data_ + old, data_ + count, value);
    }
    void append(const T* values, size_t count)
    {
        if (count == 0)
            return;
        const size_t at = size_;
        resize(at + count);
        std::memcpy(data_ + at, values, count * sizeof(T));
    }
    void push_back(T value) { append(&value, 1); }
    void insert(size_t at, T value)
    {
        resize(size_ + 1);
        std::memmove(data_ + at + 1, data_ + at, (size_ - 1 - at) * sizeof(T));
        data_[at] = value;
    }
    void swap(GrowingArray& other)
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        std::swap(populated_, other.populated_);
    }

private:
    // A large array's new pages are mapped ahead in one call rather than by
    // one fault each as they are first written (the history adds a page
    // every few lines). Only advice: where it is not honoured, the faults
    // happen as before.
    void populate()
    {
        constexpr size_t kPage = 4096;
        constexpr size_t kAhead = size_t(1) << 20;
        const size_t bytes = size_ * sizeof(T);
        const size_t limit = capacity_ * sizeof(T);
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
        if (limit >= 4 * kAhead) {
            const auto base = reinterpret_cast<std::uintptr_t>(data_);
            const std::uintptr_t from = (base + populated_ * sizeof(T)) & ~(kPage - 1);
            const std::uintptr_t to = (base + std::min(limit, bytes + kAhead)) & ~(kPage - 1);
            if (from < to)
                madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
            populated_ = std::min(limit, bytes + kAhead) / sizeof(T);
            return;
        }
#endif
        populated_ = capacity_;
    }

    size_t populated_ = 0;  // elements whose pages are mapped, as far as known
    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
