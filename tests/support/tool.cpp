#include "tool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace leggipdf::testing {
namespace {

struct Pipe {
    int ends[2] = {-1, -1};
    Pipe() {
        if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    }
    ~Pipe() {
        closeEnd(0);
        closeEnd(1);
    }
    void closeEnd(int which) {
        if (ends[which] >= 0) close(ends[which]);
        ends[which] = -1;
    }
};

// Reads both pipes until they close or the deadline passes.
bool drained(Pipe& out, Pipe& err, std::string& outText, std::string& errText,
             std::chrono::steady_clock::time_point deadline) {
    pollfd fds[2] = {{out.ends[0], POLLIN, 0}, {err.ends[0], POLLIN, 0}};
    std::string* sinks[2] = {&outText, &errText};
    char buffer[65536];
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t count = read(fds[i].fd, buffer, sizeof buffer);
            if (count > 0) sinks[i]->append(buffer, static_cast<std::size_t>(count));
            if (count <= 0) fds[i].fd = -1;
        }
    }
    return true;
}

}  // namespace

ToolRun runTool(const std::vector<std::string>& arguments, std::chrono::seconds limit, Stdout stdoutMode,
                const std::string& program) {
    std::vector<std::string> command{program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : command) argv.push_back(argument.data());
    argv.push_back(nullptr);

    Pipe out, err, broken;
    broken.closeEnd(0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutMode == Stdout::pipe) posix_spawn_file_actions_adddup2(&actions, out.ends[1], 1);
    if (stdoutMode == Stdout::devFull) posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
    if (stdoutMode == Stdout::closed) posix_spawn_file_actions_addclose(&actions, 1);
    if (stdoutMode == Stdout::brokenPipe) posix_spawn_file_actions_adddup2(&actions, broken.ends[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.ends[1], 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + command[0]);
    out.closeEnd(1);
    err.closeEnd(1);

    ToolRun run;
    run.timedOut = !drained(out, err, run.out, run.err, std::chrono::steady_clock::now() + limit);
    if (run.timedOut) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    return run;
}

std::string outputOf(const std::string& program, const std::vector<std::string>& arguments) {
    const ToolRun run = runTool(arguments, std::chrono::seconds(300), Stdout::pipe, program);
    if (run.status != 0) throw std::runtime_error(program + " failed: " + run.err);
    return run.out;
}

std::string testData(const std::string& name) { return std::string(LEGGIPDF_TEST_DATA) + "/" + name; }
std::string corpusDirectory() { return std::string(LEGGIPDF_CORPUS); }
std::string corpusPdf(const std::string& name) { return corpusDirectory() + "/pdf/" + name; }

std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace leggipdf::testing
