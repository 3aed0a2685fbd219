// The running process as the operating system sees it: where its executable is, its
// current folder, starting a shell command, and whether a debugger traces it. The
// POSIX implementation (posix_process.cpp) serves Linux, win32_process.cpp Windows.
#pragma once

#include <string>
#include <vector>

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
// Sets an environment variable of the process (for the libraries it loads).
void set_environment(const char* name, const char* value);
// The program's arguments as UTF-8 (Windows hands main its own code page's text; the
// arguments are read again from the system's UTF-16 command line there).
std::vector<std::string> program_arguments(int argc, char** argv);
// A program built as a windowed one (no console of its own) prints --help, --version
// and option errors into the console it was started from, when there is one and its
// output is not already going somewhere else. Nothing to do elsewhere.
void attach_to_parent_console();

}  // namespace zorby::platform
