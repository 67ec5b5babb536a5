// Runs a program as a whole process and writes "wall_s cpu_s maxrss_kib exit" into RESULT:
// wall time, user + system time (its own children's included) and its peak resident memory.
//   measure RESULT PROGRAM [ARGUMENTS...]
// The program is forked from this small process because a process's peak memory survives exec:
// started from the Python script directly it would count the script's own memory as its floor.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: measure RESULT PROGRAM [ARGUMENTS...]\n");
        return 64;
    }
    timespec start {};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (pid < 0)
        return 71;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return 71;
    timespec end {};
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double wall = double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9;
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    const int exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::FILE* f = std::fopen(argv[1], "w");
    if (!f)
        return 73;
    std::fprintf(f, "%.6f %.6f %ld %d\n", wall, cpu, usage.ru_maxrss, exit);
    return std::fclose(f) == 0 ? 0 : 74;
}
