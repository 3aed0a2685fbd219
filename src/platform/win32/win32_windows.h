// <windows.h> as every Windows file of the platform wants it: without the min and max
// macros (they break std::min and std::max) and without the rarely used parts. The
// other Windows headers a file needs come after this one. Windows only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
