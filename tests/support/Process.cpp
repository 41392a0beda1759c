#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <thread>

namespace {

void drain(int fd, std::string& into)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n <= 0) {
            return;
        }
        into.append(buffer, static_cast<size_t>(n));
    }
}
} // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options)
{
    ProcessResult result;
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const std::string stdinPath = options.stdinPath.value_or("/dev/null");
        const int in = open(stdinPath.c_str(), O_RDONLY);
        if (in >= 0) {
            dup2(in, STDIN_FILENO);
        }
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
            _exit(126);
        }
        for (const auto& [name, value] : options.environment) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
    fcntl(errPipe[0], F_SETFL, O_NONBLOCK);

    std::thread helper;
    if (options.whileRunning) {
        helper = std::thread(options.whileRunning, pid);
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.timeoutSeconds);
    int status = 0;
    bool finished = false;
    while (!finished) {
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        poll(fds, 2, 50);
        drain(outPipe[0], result.out);
        drain(errPipe[0], result.err);
        if (waitpid(pid, &status, WNOHANG) == pid) {
            finished = true;
        } else if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            finished = true;
        }
    }
    if (helper.joinable()) {
        helper.join();
    }
    drain(outPipe[0], result.out);
    drain(errPipe[0], result.err);
    close(outPipe[0]);
    close(errPipe[0]);
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

std::string shellOutput(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[256];
    while (fgets(buffer, sizeof(buffer), pipe) != nullptr) {
        output += buffer;
    }
    pclose(pipe);
    return output;
}

bool processGone(pid_t pid)
{
    // C stdio rather than a file stream: the process may be reaped between the
    // open and the read, which then fails (ESRCH), and libstdc++'s file streams
    // throw on a failed read even with their exceptions off. This runs on the
    // watching thread, where a throw ends the whole test process.
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return true;
    }
    char buffer[1024];
    const size_t length = std::fread(buffer, 1, sizeof(buffer), file);
    std::fclose(file);
    const std::string stat(buffer, length);
    const size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size()) {
        return true;
    }
    const char state = stat[close + 2];
    return state == 'Z' || state == 'X';
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        lines.push_back(line);
    }
    return lines;
}

bool inProcessOfItsOwn()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    const char* marker = std::getenv("KOV_TEST_OWN_PROCESS");
    if (marker != nullptr && name == marker) {
        return true;
    }
    ProcessOptions options;
    options.environment["KOV_TEST_OWN_PROCESS"] = name;
    // On a display of its own too: its window would take the keyboard focus
    // from this process's window.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const ProcessResult result =
        runProcess({KOV_SOURCE_DIR "/scripts/own-display.sh", self, "--gtest_filter=" + name}, options);
    const bool ranAndPassed = result.out.find("[  PASSED  ] 1 test.") != std::string::npos;
    EXPECT_TRUE(result.exited && result.exitCode == 0 && ranAndPassed)
        << "in a process of its own:\n" << result.out << result.err;
    return false;
}
