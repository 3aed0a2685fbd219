// The error log file.
#include "engine/error_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/file_io.h"
#include "platform/files.h"

namespace zorby {

std::string error_log_path() {
    return platform::system_files().temporary_folder() + "/ErrorLog.txt";
}

void append_error_log(const char* text) {
    const char* line = text ? text : "null";
    const std::string path = error_log_path();
    for (int attempt = 0; attempt < 5; ++attempt) {
        // O_NOFOLLOW: a link planted under the log's name is never written through.
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const platform::UniqueFd log(fd);
            const std::string data = std::string(line) + "\r\n";
            platform::write_all(log.get(), data.data(), data.size());
            return;
        }
        if (attempt < 4) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void append_error_log(const std::string& text) {
    append_error_log(text.c_str());
}

}  // namespace zorby
