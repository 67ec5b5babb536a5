#pragma once
// One whole process for the benchmarks: started with its output sent to /dev/null (so the terminal is
// not measured), waited for, with its wall time and its resource usage.

#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

struct ProcessRun
{
    bool started = false;
    bool succeeded = false; // exited with 0
    double wallMs = 0;
    rusage usage {};
};

inline double monotonicMs()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

inline ProcessRun runQuietly(const std::vector<std::string>& args, bool quietErrors)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quietErrors)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ProcessRun run;
    const double start = monotonicMs();
    pid_t pid = 0;
    run.started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!run.started)
        return run;
    int status = 0;
    wait4(pid, &status, 0, &run.usage);
    run.wallMs = monotonicMs() - start;
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}
