#include "runtime/video_module_loader.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/loadable_library.h"
#include "platform/paths.h"
#include "platform/process.h"

#ifdef ZORBY_VIDEO_MODULE_LINKED
// A web page opens no shared libraries: a program of the page that plays video links
// the layer and its entry (video/video_module.cpp) into itself, and that definition
// takes the place of this weak one, which says the layer is absent (the game's page).
extern "C" __attribute__((weak)) const zorby::video::Module* zorby_video_module() {
    return nullptr;
}
#endif

namespace zorby {

namespace {

struct Loaded {
    const video::Module* module = nullptr;
    std::string reason;
};

#ifdef ZORBY_VIDEO_MODULE_LINKED
Loaded load() {
    Loaded loaded;
    loaded.module = zorby_video_module();
    if (!loaded.module) loaded.reason = "video support is not built into this page";
    return loaded;
}
#else

// The places the module may be, best first (duplicates left out).
std::vector<std::string> candidates() {
    std::vector<std::string> files;
    for (const std::string& file : {platform::code_file_path(), platform::executable_path()}) {
        if (file.empty()) continue;
        const std::filesystem::path folder = platform::native_path(file).parent_path();
        const std::filesystem::path lib = folder / ZORBY_LIB_FROM_BIN;
        for (const std::filesystem::path& f :
             {folder, folder / ZORBY_VIDEO_MODULE_SUBDIR_KIT, lib / ZORBY_VIDEO_MODULE_SUBDIR_GAME,
              lib / ZORBY_VIDEO_MODULE_SUBDIR_KIT}) {
            const std::string name =
                platform::utf8_path((f / ZORBY_VIDEO_MODULE_NAME).lexically_normal());
            bool seen = false;
            for (const std::string& known : files) seen = seen || known == name;
            if (!seen) files.push_back(name);
        }
    }
    return files;
}

Loaded load() {
    Loaded loaded;
    for (const std::string& path : candidates()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(platform::native_path(path), ec)) continue;
        std::string error;
        void* library = platform::open_library(path, error);
        if (!library) {
            // There but unusable (a media library missing, say): the system's reason.
            loaded.reason = "the video module " + path + " cannot be loaded: " + error;
            return loaded;
        }
        using Entry = const video::Module* (*)();
        const auto entry =
            reinterpret_cast<Entry>(platform::library_function(library, video::kModuleEntry));
        const video::Module* module = entry ? entry() : nullptr;
        if (!module || module->version != video::kModuleVersion) {
            loaded.reason = "the video module " + path + " belongs to another build";
            return loaded;
        }
        loaded.module = module;
        return loaded;
    }
    loaded.reason = "video support is not installed (no " ZORBY_VIDEO_MODULE_NAME
                    " beside the program or in its library folder)";
    return loaded;
}
#endif

}  // namespace

const video::Module* video_module(std::string& reason) {
    static const Loaded loaded = load();
    if (!loaded.module) reason = loaded.reason;
    return loaded.module;
}

}  // namespace zorby
