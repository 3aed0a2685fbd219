// The in-memory recording: appends and publishes.
#include "platform/replay/input_recording_buffer.h"

#include <algorithm>
#include <cstring>

namespace zorby::platform {

InputRecordingBuffer::InputRecordingBuffer(size_t initial_capacity)
    : block_(new char[std::max<size_t>(initial_capacity, 64)]),
      capacity_(std::max<size_t>(initial_capacity, 64)) {
    published_data_.store(block_, std::memory_order_release);
}

InputRecordingBuffer::~InputRecordingBuffer() {
    published_size_.store(0, std::memory_order_release);
    published_data_.store(nullptr, std::memory_order_release);
    delete[] block_;
}

void InputRecordingBuffer::append(const char* s, size_t n) {
    if (used_ + n > capacity_) {
        size_t capacity = capacity_ * 2;
        while (used_ + n > capacity) capacity *= 2;
        char* bigger = new char[capacity];
        std::memcpy(bigger, block_, used_);
        // The copy is published before the old block goes: a handler that runs in
        // between reads either block whole.
        published_data_.store(bigger, std::memory_order_release);
        delete[] block_;
        block_ = bigger;
        capacity_ = capacity;
    }
    std::memcpy(block_ + used_, s, n);
    used_ += n;
    published_size_.store(used_, std::memory_order_release);
}

InputRecordingBuffer::int_type InputRecordingBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    append(&ch, 1);
    return c;
}

std::streamsize InputRecordingBuffer::xsputn(const char* s, std::streamsize n) {
    if (n > 0) append(s, static_cast<size_t>(n));
    return n;
}

}  // namespace zorby::platform
