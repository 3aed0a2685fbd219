// The error log file.
#include "engine/error_log.h"

#include <chrono>
#include <thread>

#include "platform/files.h"
#include "platform/portable/file_io.h"

namespace zorby {

std::string error_log_path() {
    return platform::system_files().temporary_folder() + "/ErrorLog.txt";
}

void append_error_log(const char* text) {
    const char* line = text ? text : "null";
    const std::string path = error_log_path();
    for (int attempt = 0; attempt < 5; ++attempt) {
        // A link planted under the log's name is never written through.
        if (const platform::UniqueFd log = platform::open_for_appending(path)) {
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
