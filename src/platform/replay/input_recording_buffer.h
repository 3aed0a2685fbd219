// The recording kept in memory while the game runs: a stream buffer the recorder
// writes its script lines into, whose text can be written out at any moment, also
// from a fatal signal's handler. The text lives in one block that is replaced by a
// larger copy when full; the block and its length are published after each write,
// so reading them needs no allocation and never sees a half-made copy.
#pragma once

#include <atomic>
#include <cstddef>
#include <streambuf>
#include <string>

namespace zorby::platform {

class InputRecordingBuffer : public std::streambuf {
public:
    explicit InputRecordingBuffer(size_t initial_capacity = 64 * 1024);
    ~InputRecordingBuffer() override;
    InputRecordingBuffer(const InputRecordingBuffer&) = delete;
    InputRecordingBuffer& operator=(const InputRecordingBuffer&) = delete;

    // The text so far (published: safe to read in a signal handler).
    const char* data() const { return published_data_.load(std::memory_order_acquire); }
    size_t size() const { return published_size_.load(std::memory_order_acquire); }
    std::string text() const { return std::string(data(), size()); }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

private:
    void append(const char* s, size_t n);

    char* block_ = nullptr;
    size_t capacity_ = 0;
    size_t used_ = 0;
    std::atomic<const char*> published_data_{nullptr};
    std::atomic<size_t> published_size_{0};
};

}  // namespace zorby::platform
