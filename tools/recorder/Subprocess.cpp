#include "Subprocess.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

std::string findProgram(const std::string& name)
{
    auto executable = [](const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
    };
    if (name.empty()) {
        return std::string();
    }
    if (name.find('/') != std::string::npos) {
        return executable(name) ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string directories = path != nullptr ? path : "";
    size_t begin = 0;
    while (begin <= directories.size()) {
        size_t end = directories.find(':', begin);
        if (end == std::string::npos) {
            end = directories.size();
        }
        // An empty entry is the working directory, as for a shell.
        const std::string directory = end > begin ? directories.substr(begin, end - begin) : ".";
        const std::string candidate = directory + "/" + name;
        if (executable(candidate)) {
            return candidate;
        }
        begin = end + 1;
    }
    return std::string();
}

Subprocess::~Subprocess()
{
    stop();
}

bool Subprocess::start(const std::vector<std::string>& argv, bool withInput, std::string& error)
{
    int pipeEnds[2] = {-1, -1};
    if (withInput && pipe2(pipeEnds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (withInput) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    // The child's console goes where this program's messages go.
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);

    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (withInput) {
        close(pipeEnds[0]);
    }
    if (failed != 0) {
        if (withInput) {
            close(pipeEnds[1]);
        }
        error = "cannot run " + argv[0] + ": " + std::strerror(failed);
        return false;
    }
    m_pid = pid;
    m_input = withInput ? pipeEnds[1] : -1;
    return true;
}

bool Subprocess::write(const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0 && m_input >= 0) {
        const ssize_t written = ::write(m_input, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false; // EPIPE: the child no longer reads (SIGPIPE is ignored)
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return size == 0;
}

namespace {

std::string describe(int status)
{
    if (WIFEXITED(status)) {
        return "exit status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return std::string("killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    }
    return "status " + std::to_string(status);
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

} // namespace

bool Subprocess::finish(std::string& status)
{
    if (m_input >= 0) {
        close(m_input);
        m_input = -1;
    }
    if (m_pid <= 0) {
        status = "not running";
        return false;
    }
    const int result = waitFor(m_pid);
    m_pid = -1;
    status = describe(result);
    return result >= 0 && WIFEXITED(result) && WEXITSTATUS(result) == 0;
}

void Subprocess::stop()
{
    if (m_input >= 0) {
        close(m_input);
        m_input = -1;
    }
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitFor(m_pid);
        m_pid = -1;
    }
}

bool runToEnd(const std::vector<std::string>& argv, std::string& error)
{
    Subprocess child;
    if (!child.start(argv, false, error)) {
        return false;
    }
    std::string status;
    if (!child.finish(status)) {
        error = argv[0] + " failed (" + status + ")";
        return false;
    }
    return true;
}
