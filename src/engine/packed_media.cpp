#include "engine/packed_media.h"

#include <unistd.h>

namespace zorby {

int resolve_media_name(PackedMediaLookup&, const std::string& name, std::string& out) {
    if (name.empty()) {
        out.clear();
        return 0;
    }
    if (::access(name.c_str(), R_OK) == 0) {
        out = name;
        return 1;
    }
    return 0;
}

}  // namespace zorby
