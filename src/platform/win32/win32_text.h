// Text and error conversions for the Windows implementations of the platform: the
// engine speaks UTF-8 and POSIX error numbers; Windows' own calls take UTF-16 and
// report their own error codes. Internal to the platform layer, Windows only.
#pragma once

#include <string>

namespace zorby::platform {

// UTF-8 to UTF-16 (invalid sequences become U+FFFD) and back.
std::wstring to_wide(const std::string& utf8);
std::string from_wide(const std::wstring& wide);
// The POSIX error number closest to a Windows error code (GetLastError()).
int errno_from_windows(unsigned long code);

}  // namespace zorby::platform
