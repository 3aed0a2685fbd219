// The crash guard on POSIX: sigaction handlers that write the recording with open,
// write, close and rename (all async-signal-safe), then re-raise the signal.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/replay/crash_guard.h"

namespace zorby::platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGBUS};
constexpr size_t kPathMax = 4096;

// Everything the handler needs, made before any signal can come.
char g_path[kPathMax];
char g_temp_path[kPathMax];
const InputRecordingBuffer* g_buffer = nullptr;
CrashTailWriter g_tail = nullptr;
volatile sig_atomic_t g_in_handler = 0;

void write_fully(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void write_text(int fd, const char* text) {
    write_fully(fd, text, std::strlen(text));
}

void on_fatal_signal(int sig) {
    // A fault inside the handler itself goes straight to the default action.
    if (g_in_handler == 0 && g_buffer != nullptr) {
        g_in_handler = 1;
        const int saved_errno = errno;
        bool written = false;
        const int fd = ::open(g_temp_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd >= 0) {
            write_fully(fd, g_buffer->data(), g_buffer->size());
            if (g_tail != nullptr) {
                char tail[512];
                write_fully(fd, tail, g_tail(tail, sizeof tail));
            }
            written = ::fsync(fd) == 0;
            written = ::close(fd) == 0 && written;
            written = written && ::rename(g_temp_path, g_path) == 0;
            if (!written) ::unlink(g_temp_path);
        }
        write_text(2, "zorby: stopped by ");
        write_text(2, fatal_signal_name(sig));
        if (written) {
            write_text(2, "; the input so far is recorded in ");
            write_text(2, g_path);
            write_text(2, " (zorby --replay FILE repeats it)\n");
        } else {
            write_text(2, "; the recording could not be written to ");
            write_text(2, g_path);
            write_text(2, "\n");
        }
        errno = saved_errno;
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
    raise(sig);
}

}  // namespace

bool install_crash_guard(const std::string& path, const InputRecordingBuffer& buffer,
                         CrashTailWriter tail) {
    const std::string temp = path + ".part";
    if (temp.size() + 1 > kPathMax) return false;
    std::memcpy(g_path, path.c_str(), path.size() + 1);
    std::memcpy(g_temp_path, temp.c_str(), temp.size() + 1);
    g_buffer = &buffer;
    g_tail = tail;
    struct sigaction action {};
    action.sa_handler = on_fatal_signal;
    sigemptyset(&action.sa_mask);
    // The handler runs once; a second fault in it takes the default action.
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    bool ok = true;
    for (int sig : kSignals) ok = sigaction(sig, &action, nullptr) == 0 && ok;
    return ok;
}

void remove_crash_guard() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals) sigaction(sig, &action, nullptr);
    g_buffer = nullptr;
    g_tail = nullptr;
}

}  // namespace zorby::platform
