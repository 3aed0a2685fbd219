// The few POSIX calls the tests use to set up their surroundings (environment
// variables, private temporary folders, a command's exit status), given on Windows by
// the C library's own calls so that the same tests run there. Elsewhere the system's.
#pragma once

#include <cstdlib>

#ifdef _WIN32
#include <direct.h>
#include <process.h>

#include <cstdio>
#include <cstring>
#include <random>

// Windows takes its temporary folder (GetTempPath) from TMP, then TEMP, not from
// TMPDIR: a test that points TMPDIR somewhere points those two there as well.
inline bool names_temporary_folder(const char* name) {
    return std::strcmp(name, "TMPDIR") == 0;
}

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name) != nullptr) return 0;
    // An empty value would remove the variable on Windows.
    const char* kept = value[0] != '\0' ? value : " ";
    if (names_temporary_folder(name) &&
        (_putenv_s("TMP", kept) != 0 || _putenv_s("TEMP", kept) != 0)) {
        return -1;
    }
    return _putenv_s(name, kept);
}

inline int unsetenv(const char* name) {
    if (names_temporary_folder(name)) {
        _putenv_s("TMP", "");
        _putenv_s("TEMP", "");
    }
    return _putenv_s(name, "");
}

// Replaces the template's trailing XXXXXX and makes the folder.
inline char* mkdtemp(char* name) {
    const size_t n = std::strlen(name);
    if (n < 6 || std::strcmp(name + n - 6, "XXXXXX") != 0) return nullptr;
    static std::mt19937 random{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (size_t i = n - 6; i < n; ++i) name[i] = kLetters[random() % 36];
        if (_mkdir(name) == 0) return name;
    }
    return nullptr;
}

// std::system returns the command's own exit status on Windows.
#ifndef WEXITSTATUS
#define WEXITSTATUS(status) (status)
#endif
#endif
