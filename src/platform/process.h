// The running process as the operating system sees it: where its executable is, its
// current folder, starting a shell command, and whether a debugger traces it. The
// POSIX implementation (posix_process.cpp) serves Linux.
#pragma once

#include <string>

namespace zorby::platform {

// The full path of the running executable; empty when the system does not say.
std::string executable_path();
// Makes folder the current folder; false (the current folder unchanged) when it
// cannot.
bool change_directory(const std::string& folder);
// Starts command_line in the system's shell, without waiting for it.
void start_shell_command(const std::string& command_line);
// True while a debugger traces the process.
bool traced_by_debugger();

}  // namespace zorby::platform
