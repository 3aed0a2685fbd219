// Code loaded while the program runs: a shared library (a DLL on Windows) opened by
// its path, a function looked up in it, and where the program's own code lives, so a
// library shipped with it can be found from there. Opened libraries stay loaded to
// the end of the process.
#pragma once

#include <string>

namespace zorby::platform {

// Opens the library at path (UTF-8). Null, with the system's one-line reason in
// error, when it cannot be opened or a library it needs is missing.
void* open_library(const std::string& path, std::string& error);
// The address of the exported function `name` of a library open_library opened; null
// when it exports none of that name.
void* library_function(void* library, const char* name);
// The file this code was loaded from: the executable, or the shared library it was
// built into (the engine kit's); empty when the system does not say.
std::string code_file_path();

}  // namespace zorby::platform
