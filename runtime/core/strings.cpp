#include "core/strings.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace qvt {

namespace {

// The one zero byte that every storage-less string points at. Never written, never freed.
char sharedEmpty[1] = {0};

std::uint32_t grownCapacity(std::uint32_t n) {
    // Always a multiple of 16 and always more than n + 1: 15 -> 32, 19 -> 32.
    return ((n + 1) & ~std::uint32_t{15}) + 16;
}

}  // namespace

RuntimeString::RuntimeString() noexcept : data_(sharedEmpty), capacity_(0), length_(0) {}

RuntimeString::RuntimeString(const char* text) : RuntimeString() {
    if (text != nullptr) append(text, std::strlen(text));
}

RuntimeString::RuntimeString(const char* bytes, std::size_t count) : RuntimeString() {
    append(bytes, count);
}

RuntimeString::RuntimeString(std::string_view bytes) : RuntimeString(bytes.data(), bytes.size()) {}

RuntimeString::RuntimeString(const RuntimeString& other) : RuntimeString() {
    append(other.data_, other.length_);
}

RuntimeString::RuntimeString(RuntimeString&& other) noexcept
    : data_(std::exchange(other.data_, sharedEmpty)),
      capacity_(std::exchange(other.capacity_, 0)),
      length_(std::exchange(other.length_, 0)) {}

RuntimeString& RuntimeString::operator=(const RuntimeString& other) {
    if (data_ == other.data_) return *this;
    if (other.length_ != 0) {
        reserve(other.length_, false);
        std::memcpy(data_, other.data_, other.length_);
        setLength(other.length_);
    } else {
        if (ownsStorage()) data_[0] = 0;
        length_ = 0;
    }
    return *this;
}

RuntimeString& RuntimeString::operator=(RuntimeString&& other) noexcept {
    if (this != &other) {
        clear();
        data_ = std::exchange(other.data_, sharedEmpty);
        capacity_ = std::exchange(other.capacity_, 0);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

RuntimeString::~RuntimeString() { clear(); }

bool RuntimeString::usesSharedEmpty() const noexcept { return data_ == sharedEmpty; }

void RuntimeString::clear() noexcept {
    if (ownsStorage()) std::free(data_);
    data_ = sharedEmpty;
    capacity_ = 0;
    length_ = 0;
}

void RuntimeString::reserve(std::uint32_t n, bool keep) {
    if (n == 0 || capacity_ >= n + 1) return;
    std::uint32_t newCapacity = grownCapacity(n);
    auto* block = static_cast<char*>(std::malloc(newCapacity));
    if (block == nullptr) std::abort();  // nothing sensible to hand back; fail loudly
    if (keep && length_ != 0) {
        std::memcpy(block, data_, length_);
        block[length_] = 0;
    } else {
        block[0] = 0;
        length_ = 0;
    }
    if (ownsStorage()) std::free(data_);
    data_ = block;
    capacity_ = newCapacity;
}

void RuntimeString::setLength(std::uint32_t n) {
    if (!ownsStorage()) {
        length_ = 0;
        return;
    }
    if (n >= capacity_) n = capacity_ - 1;
    length_ = n;
    data_[n] = 0;
}

void RuntimeString::rescanLength() {
    if (!ownsStorage()) {
        length_ = 0;
        return;
    }
    length_ = static_cast<std::uint32_t>(strnlen(data_, capacity_ - 1));
    data_[length_] = 0;
}

void RuntimeString::append(const char* bytes, std::size_t count) {
    if (count == 0) return;
    auto newLength = static_cast<std::uint32_t>(length_ + count);
    // Appending a piece of ourselves must survive the reallocation.
    if (bytes >= data_ && bytes < data_ + length_ + 1 && ownsStorage()) {
        RuntimeString copy(bytes, count);
        append(copy.data_, count);
        return;
    }
    reserve(newLength, true);
    std::memcpy(data_ + length_, bytes, count);
    length_ = newLength;
    data_[length_] = 0;
}

void RuntimeString::append(const char* text) {
    if (text != nullptr) append(text, std::strlen(text));
}

}  // namespace qvt
