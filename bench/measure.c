/* Run one command and print "<wall seconds> <peak RSS in KiB> <CPU seconds>".
 *
 *     measure COMMAND [ARG...]
 *
 * The command's stdin and stdout are /dev/null; its stderr is left alone.
 * The clock starts just before the spawn and stops when wait4 returns, and
 * every command measured this way pays the same small spawn cost. The peak
 * RSS is the one wait4 reports: on Linux the largest of the command and of
 * every descendant it waited for, so for a shell running several commands it
 * is the peak of the largest single one. The CPU time (user and system, of
 * the command and its descendants) moves less than the wall time when other
 * work shares the machine. A program of its own, not Python or
 * a shell, because the spawner's own resident size (which the child carries
 * until exec) is the floor of the figure: about 1 MB here, 13 MB for Python.
 * Exits with status 1 when the command does not exit with status 0.
 */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        fputs("usage: measure COMMAND [ARG...]\n", stderr);
        return 2;
    }
    int null = open("/dev/null", O_RDWR);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, null, 0);
    posix_spawn_file_actions_adddup2(&actions, null, 1);

    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid;
    if (posix_spawnp(&pid, argv[1], &actions, NULL, argv + 1, environ) != 0) {
        perror(argv[1]);
        return 1;
    }
    int status;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid) {
        perror("wait4");
        return 1;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "measure: %s: did not exit with status 0\n", argv[1]);
        return 1;
    }
    double wall = (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
    double cpu = (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    printf("%.6f %ld %.6f\n", wall, usage.ru_maxrss, cpu);
    return 0;
}
