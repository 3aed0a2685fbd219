// A program run to its end and looked at as it ends: it is traced, so it stops at its
// exit with everything still mapped, and the shared objects in /proc/PID/maps are
// read then (the libraries it linked and those it opened while running). Linux only.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace zorby::test {

struct TracedRun {
    int status = -1;                      // exit status; -1 when it did not exit normally
    std::set<std::string> libraries;      // file names of the mapped shared objects
    std::set<std::string> library_paths;  // and their full paths
    long peak_kb = 0;                     // peak resident memory (VmHWM) at the end

    // True when a library whose file name starts with prefix was mapped.
    bool has(const std::string& prefix) const;
};

// Runs argv (argv[0] a path) with `env` ("NAME=value") added to this process's
// environment, standard output and error thrown away.
TracedRun run_traced(const std::vector<std::string>& argv, const std::vector<std::string>& env);

}  // namespace zorby::test
