// Fuzz target: the PNG path of the sprite store without a rendering context: libpng
// decoding through our read callback, then the texture builder's pixel steps (region
// copy with the flip, colour bleeding, the mipmap chain) on what was decoded.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/image_decode.h"
#include "graphics/texture_builder.h"

// libpng reports every damaged input on stderr and the decoder prints its own lines
// on stdout; both would flood the run. The fuzzer's own reports (and sanitizer
// reports) go to a duplicate of stderr it keeps, so closing both loses nothing.
// Flags given on the command line come later and win.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::vector<char*> args;
    static char quiet[] = "-close_fd_mask=3";
    args.assign(*argv, *argv + *argc);
    args.insert(args.begin() + (args.empty() ? 0 : 1), quiet);
    args.push_back(nullptr);
    *argc = static_cast<int>(args.size() - 1);
    *argv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t key = size > 8 && (data[size - 1] & 1) ? zorby::kNoColourKey : 0x8000FFu;
    zorby::PixelImage image;
    if (!zorby::decode_png_image(image, data, size, key)) return 0;
    if (image.width < 1 || image.height < 1 ||
        size_t(image.width) * size_t(image.height) * 4 > image.capacity) {
        std::abort();
    }
    // Keep the texture steps small: the decoder may return pictures of many megapixels.
    if (int64_t{image.width} * image.height > 256 * 256) return 0;
    const int32_t tw = zorby::power_of_two_size(image.width);
    const int32_t th = zorby::power_of_two_size(image.height);
    std::vector<uint8_t> texels =
        zorby::texels_from_region(image, 0, 0, image.width, image.height, tw, th);
    zorby::bleed_colours(texels, tw, th);
    std::vector<uint8_t> next;
    int32_t w = tw, h = th;
    while (w > 1 || h > 1) {
        int32_t nw = 0, nh = 0;
        zorby::next_mip_level(texels, w, h, next, nw, nh);
        texels.swap(next);
        w = nw;
        h = nh;
    }
    return 0;
}
