// The error log: one line per call appended to "ErrorLog.txt" in the temporary
// directory, read after a run to see what the engine reported.
#pragma once

#include <string>

namespace zorby {

// Appends one line (CR LF ended) to "ErrorLog.txt" in the temporary directory.
void append_error_log(const char* text);
void append_error_log(const std::string& text);
// Path of the error log: $TMPDIR (or /tmp) + "/ErrorLog.txt".
std::string error_log_path();

}  // namespace zorby
