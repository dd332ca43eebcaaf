#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

// One growing block of UTF-16 units: the text of a grid. It grows by
// realloc, which moves the pages of a large block instead of copying them
// (a history of many megabytes would otherwise be copied, and its new pages
// touched, at every doubling), and units it adds are not zero-filled, since
// each is written right after it is added.
class TextBuffer {
public:
    TextBuffer() = default;
    ~TextBuffer() { std::free(data_); }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    char16_t* data() { return data_; }
    const char16_t* data() const { return data_; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }

    void reserve(size_t units)
    {
        if (units <= capacity_)
            return;
        void* grown = std::realloc(data_, units * sizeof(char16_t));
        if (!grown)
            throw std::bad_alloc();
        data_ = static_cast<char16_t*>(grown);
        capacity_ = units;
    }
    // The units added are unset until written.
    void resize(size_t units)
    {
        if (units > capacity_)
            reserve(std::max(units, capacity_ * 2));
        size_ = units;
    }
    void append(const char16_t* units, size_t count)
    {
        if (count == 0)
            return;
        const size_t at = size_;
        resize(at + count);
        std::memcpy(data_ + at, units, count * sizeof(char16_t));
    }
    void push_back(char16_t unit) { append(&unit, 1); }
    void swap(TextBuffer& other)
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

private:
    char16_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
