// Every test process runs headless and alone:
// - offscreen OpenGL and a silent audio device, unless the environment already chose
//   a driver (a test may capture audio with the disk driver, or a developer may want
//   to watch under a real display);
// - a private TMPDIR, made fresh when the process starts and removed when it ends, so
//   the error log, unpacked media, recordings and scratch folders of one test never
//   meet those of another test running at the same time (ctest -j N). On Windows TMP
//   and TEMP name it too (support/posix_compat.h), as GetTempPath reads those.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/posix_compat.h"

namespace {

// Set in the environment of the process that made the private folder; processes it
// starts (death tests that re-run the binary, tools under test) inherit both it and
// TMPDIR, so they share the folder instead of making one of their own.
constexpr const char* kOwnerVariable = "ZORBY_TEST_PRIVATE_TMPDIR";

class PrivateTempDir {
public:
    PrivateTempDir() {
        if (getenv(kOwnerVariable) != nullptr) return;
#ifdef _WIN32
        // Windows names its temporary folder in TMP and TEMP (GetTempPath); a TMPDIR
        // there may be a Unix one handed on by Wine.
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "zorby-test-run-XXXXXX").string();
#else
        const char* base = getenv("TMPDIR");
        std::string tmpl = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                           "/zorby-test-run-XXXXXX";
#endif
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::perror("zorby tests: cannot make a private TMPDIR");
            std::_Exit(1);
        }
        path_ = tmpl;
        owner_ = getpid();
        setenv("TMPDIR", path_.c_str(), 1);
        setenv(kOwnerVariable, path_.c_str(), 1);
    }
    ~PrivateTempDir() {
        // A forked child that exits normally runs this too; only the maker removes it.
        if (path_.empty() || getpid() != owner_) return;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    PrivateTempDir(const PrivateTempDir&) = delete;
    PrivateTempDir& operator=(const PrivateTempDir&) = delete;

private:
    std::string path_;
    pid_t owner_ = 0;
};

const bool kHeadless = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // The programs the tests start (the game, the tools) inherit this: in a sanitizer
    // build their OpenGL driver's allocations are not reported either (see below).
    setenv("ASAN_OPTIONS", "detect_leaks=0", 0);
    return true;
}();

// Constructed at start-up (before main and before any test), destroyed at exit.
PrivateTempDir private_temp_dir;

}  // namespace

// The OpenGL driver and SDL keep process-lifetime allocations; leak reports on them
// would drown real ones, so sanitizer builds of the tests do not check for leaks.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
