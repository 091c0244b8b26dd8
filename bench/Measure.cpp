// Runs a command and prints on standard error its wall time in seconds, the
// peak resident memory in MB and the processor time (user + system) in
// seconds, as "measure: SECONDS MB CPU_SECONDS": measure COMMAND ARGS...
// Memory and processor time are the kernel's figures for the process and the
// children it waited for.
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto toSeconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    std::fprintf(stderr, "measure: %.3f %.1f %.3f\n", seconds, static_cast<double>(usage.ru_maxrss) / 1024.0,
                 toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime));
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
