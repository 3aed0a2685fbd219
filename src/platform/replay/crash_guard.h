// The crash guard: when the program stops on a fatal signal (SIGSEGV, SIGABRT,
// SIGFPE, SIGBUS), the input recorded so far is written to a file named in advance
// and the message on stderr names it; then the signal takes its default course (the
// process still stops as it would have, with its core dump).
//
// The handler makes only async-signal-safe calls: it writes the recording buffer's
// published text, then the tail the owner's function writes into a fixed array, to a
// temporary name that is renamed over the file at the end.
#pragma once

#include <cstddef>
#include <string>

#include "platform/replay/input_recording_buffer.h"

namespace zorby::platform {

// Writes the lines that close the recording into out (at most size bytes) and returns
// how many; called in the signal handler, so it may only do async-signal-safe work.
using CrashTailWriter = size_t (*)(char* out, size_t size);

// Installs the handlers for the fatal signals. path: where the recording goes (its
// folder must exist by then); buffer must outlive the guard. False when path is too
// long or the handlers cannot be installed.
bool install_crash_guard(const std::string& path, const InputRecordingBuffer& buffer,
                         CrashTailWriter tail);
// Puts the default handlers back.
void remove_crash_guard();

// The fatal signal's name ("SIGSEGV"), for the handler's message; async-signal-safe.
const char* fatal_signal_name(int sig);
// Async-signal-safe helper for tail writers: appends the decimal digits of value to
// out at pos (within size) and returns the new position.
size_t append_decimal(char* out, size_t pos, size_t size, unsigned long long value);
size_t append_text(char* out, size_t pos, size_t size, const char* text);

}  // namespace zorby::platform
