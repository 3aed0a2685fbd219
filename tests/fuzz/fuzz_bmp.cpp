// Fuzz target: the BMP decoder. Any input must either fail or give a picture whose
// every pixel can be read; the same bytes through the file reader give the same result.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "graphics/image_decode.h"

namespace {

const std::string& input_file() {
    static const std::string path = [] {
        std::string tmpl = std::filesystem::temp_directory_path().string() + "/zorby-bmp-XXXXXX";
        const int fd = ::mkstemp(tmpl.data());
        if (fd < 0) std::abort();
        ::close(fd);
        std::atexit([] { std::remove(input_file().c_str()); });
        return tmpl;
    }();
    return path;
}

uint32_t checksum(const zorby::PixelImage& image) {
    uint32_t sum = 0;
    const size_t bytes = size_t(image.width) * size_t(image.height) * 4;
    for (size_t i = 0; i < bytes; ++i) sum = sum * 31 + image.pixels[i];
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks the colour key so keyed and unkeyed paths both run.
    const uint32_t key = size > 0 && (data[0] & 1) ? zorby::kNoColourKey : 0x8000FFu;
    zorby::PixelImage memory;
    const bool ok = zorby::decode_bmp_image(memory, data, size, key);
    if (ok && (memory.width < 0 || memory.height < 0 ||
               size_t(memory.width) * size_t(memory.height) * 4 > memory.capacity)) {
        std::abort();
    }
    const uint32_t sum = ok ? checksum(memory) : 0;

    std::FILE* f = std::fopen(input_file().c_str(), "wb");
    if (!f) std::abort();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
    zorby::PixelImage file;
    const bool file_ok = zorby::load_bmp_image(file, input_file(), key);
    if (file_ok != ok) std::abort();
    if (ok &&
        (file.width != memory.width || file.height != memory.height || checksum(file) != sum)) {
        std::abort();
    }
    return 0;
}
