#include "support/traced_run.h"

#ifdef __linux__
#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

extern char** environ;

namespace zorby::test {

namespace {

void read_process(pid_t pid, TracedRun& run) {
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream maps(proc + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        const size_t slash = line.find('/');
        if (slash == std::string::npos) continue;
        const std::filesystem::path path = line.substr(slash);
        const std::string name = path.filename().string();
        if (name.find(".so") == std::string::npos) continue;
        run.libraries.insert(name);
        run.library_paths.insert(path.string());
    }
    std::ifstream status(proc + "/status");
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) run.peak_kb = std::stol(line.substr(6));
    }
}

}  // namespace

bool TracedRun::has(const std::string& prefix) const {
    for (const std::string& l : libraries) {
        if (l.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

TracedRun run_traced(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    for (char** e = environ; *e; ++e) envp.push_back(*e);
    envp.push_back(nullptr);

    TracedRun run;
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    if (pid < 0) return run;
    int status = 0;
    bool started = false;
    while (waitpid(pid, &status, 0) == pid) {
        if (WIFEXITED(status)) {
            run.status = WEXITSTATUS(status);
            break;
        }
        if (WIFSIGNALED(status)) break;
        int pass_on = 0;
        if (!started && WSTOPSIG(status) == SIGTRAP) {
            // The stop after exec: from here on, stop once more at the exit.
            started = true;
            ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
        } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            read_process(pid, run);
        } else {
            pass_on = WSTOPSIG(status);
        }
        ptrace(PTRACE_CONT, pid, nullptr, pass_on);
    }
    return run;
}

}  // namespace zorby::test
#endif
