// The running process on a POSIX system (with Linux's /proc for the executable and
// the tracer).
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/paths.h"
#include "platform/process.h"

extern char** environ;

namespace zorby::platform {

std::string executable_path() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

bool change_directory(const std::string& folder) {
    return ::chdir(folder.c_str()) == 0;
}

void start_shell_command(const std::string& command_line) {
    pid_t pid;
    const char* argv[] = {"/bin/sh", "-c", command_line.c_str(), nullptr};
    posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ);
}

bool traced_by_debugger() {
    bool traced = false;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            if (std::strncmp(line, "TracerPid:", 10) == 0) {
                traced = std::atoi(line + 10) != 0;
                break;
            }
        }
        std::fclose(f);
    }
    return traced;
}

void set_environment(const char* name, const char* value) {
    ::setenv(name, value, 1);
}

std::vector<std::string> program_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void attach_to_parent_console() {}

std::FILE* open_stdio_file(const std::string& utf8, const char* mode) {
    return std::fopen(utf8.c_str(), mode);
}

}  // namespace zorby::platform
