#ifndef KELULIB_TESTS_CHILDPROCESS_H
#define KELULIB_TESTS_CHILDPROCESS_H

// Runs this test binary again as a child process with a changed environment.
// The library starts afresh there: its default character set is detected
// from the child's environment and its converter caches are empty.

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace keltest {

struct ChildResult {
    int exitCode; // -1 when the child did not exit normally
    std::string output;
};

// A 32-bit build may run under a user-mode emulator (the kernel cannot start
// it directly); KELULIB_TEST_EMULATOR names it, and the child goes through it too.
inline void execSelf(std::vector<char*>& argv, std::vector<char*>& envp) {
    const char* emulator = std::getenv("KELULIB_TEST_EMULATOR");
    if (emulator == nullptr || *emulator == '\0') {
        execve("/proc/self/exe", argv.data(), envp.data());
        return;
    }
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return;
    self[n] = '\0';
    std::vector<char*> emulated = {const_cast<char*>(emulator), self};
    emulated.insert(emulated.end(), argv.begin() + 1, argv.end());
    execve(emulator, emulated.data(), envp.data());
}

// `changes` maps variable names to their new values; a null value removes the
// variable.
inline ChildResult rerunSelf(const std::vector<std::string>& args,
                             const std::map<std::string, const char*>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (changes.count(entry.substr(0, entry.find('='))) == 0)
            env.push_back(entry);
    }
    for (const auto& change : changes) {
        if (change.second != nullptr)
            env.push_back(change.first + "=" + change.second);
    }
    std::vector<std::string> argStrings = {"kelulib_tests"};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (std::string& a : argStrings)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    for (std::string& e : env)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0)
        return {-1, "pipe failed"};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execSelf(argv, envp);
        _exit(127);
    }
    close(fds[1]);
    ChildResult result{-1, ""};
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace keltest

#endif
