// The committed assets are exactly what the generator writes: running it into a
// fresh directory must reproduce every file byte for byte (so the generator is
// deterministic and nobody edited a generated file by hand). Needs the generator's
// own tools (python3 with PIL and numpy, lame); without them the check is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "asset_support.h"
#include "support/engine_fixture.h"

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;

bool generator_tools_present() {
    return std::system("/usr/bin/python3 -c 'import PIL, numpy' >/dev/null 2>&1") == 0 &&
           std::system("lame --version >/dev/null 2>&1") == 0;
}

TEST(Generator, ReproducesEveryCommittedAssetByteForByte) {
    if (!generator_tools_present()) GTEST_SKIP() << "python3-pil, python3-numpy or lame missing";
    TempDir out;
    const std::string command = "/usr/bin/python3 " + std::string(ZORBY_SOURCE_DIR) +
                                "/tools/assetgen/generate.py " + out.path() + "/assets --icons " +
                                out.path() + "/icons >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name == "README.md" || name == "LICENSE-assets.txt") continue;
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(out.file("assets/" + name))) << "the generator no longer writes it";
        EXPECT_TRUE(read_bytes(entry.path().string()) == read_bytes(out.file("assets/" + name)))
            << "differs from a fresh run";
        ++compared;
    }
    int written = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(out.file("assets"))) ++written;
    EXPECT_EQ(written, compared) << "the generator writes files that are not committed";
    EXPECT_EQ(compared, 63);
    // The desktop icons of the install tree.
    const std::string icons = std::string(ZORBY_SOURCE_DIR) + "/packaging/icons";
    int icon_files = 0;
    for (const auto& entry : fs::directory_iterator(out.file("icons"))) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        EXPECT_TRUE(read_bytes(entry.path().string()) == read_bytes(icons + "/" + name))
            << "differs from the committed icon";
        ++icon_files;
    }
    EXPECT_EQ(icon_files, 6);
}

}  // namespace
}  // namespace zorby::testing
