// Where this code was loaded from, asked of the dynamic loader.
#include <dlfcn.h>

#include "platform/loadable_library.h"
#include "platform/process.h"

namespace zorby::platform {

std::string code_file_path() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&code_file_path), &info) != 0 &&
        info.dli_fname != nullptr && info.dli_fname[0] == '/') {
        return info.dli_fname;
    }
    // The executable itself is named as it was started (not always a full path).
    return executable_path();
}

}  // namespace zorby::platform
