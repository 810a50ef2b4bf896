#include "cli/batch.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/report.h"

namespace quorvel::cli {

namespace {

using Clock = std::chrono::steady_clock;

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    size_t index = 0;
    std::string output;
    Clock::time_point deadline;
};

// A signal that ends the batch is written to this pipe, which the main
// loop polls beside the workers' output: it then ends every worker before
// ending itself by the same signal.
int signalPipe[2] = {-1, -1};
volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int sig) {
    stopSignal = sig;
    const char byte = 1;
    const int saved = errno;
    if (signalPipe[1] >= 0) (void)!::write(signalPipe[1], &byte, 1);
    errno = saved;
}

const int stopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void catchStopSignals() {
    if (::pipe(signalPipe) == 0) {
        ::fcntl(signalPipe[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(signalPipe[1], F_SETFD, FD_CLOEXEC);
        ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : stopSignals) ::sigaction(sig, &action, nullptr);
}

std::string selfPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

// Starts `self monodromy --json -- LINE` with its standard output on a pipe
// and its standard error discarded (the JSON lists the errors). The worker
// leads a process group of its own (everything it starts ends with it) and
// dies with the batch, however the batch ends.
bool start(const std::string &self, const std::string &line, Worker &w) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        for (int sig : stopSignals) ::sigaction(sig, &action, nullptr);
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, STDERR_FILENO);
        const char *argv[] = {self.c_str(), "monodromy", "--json", "--", line.c_str(), nullptr};
        ::execv(self.c_str(), const_cast<char *const *>(argv));
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    ::close(fds[1]);
    w.pid = pid;
    w.fd = fds[0];
    w.output.clear();
    return true;
}

// Ends a worker and everything it started.
void stop(Worker &w) {
    ::kill(-w.pid, SIGKILL);
    ::kill(w.pid, SIGKILL);
    ::close(w.fd);
    int status = 0;
    while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
    }
}

nlohmann::json failure(const std::string &message, const std::string &remedy) {
    return {{"errors", nlohmann::json::array({{{"message", message}, {"remedy", remedy}}})}};
}

std::string resultLine(const std::string &input, int status, const std::string &output) {
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(output);
    } catch (const nlohmann::json::exception &) {
        j = failure("The worker gave no result.", "Run this curve alone with quorvel-cli monodromy");
    }
    j["input"] = input;
    j["exitStatus"] = status;
    return jsonText(j);
}

std::string failedLine(const std::string &input, const std::string &message, const std::string &remedy) {
    nlohmann::json j = failure(message, remedy);
    j["input"] = input;
    j["exitStatus"] = 1;
    return j.dump();
}

}  // namespace

int runBatch(const std::string &file, int jobs, double timeoutSeconds) {
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fprintf(stderr, "error: %s is a folder, not a file of curves.\n", file.c_str());
        return 1;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "error: Cannot open the file.\n%s: %s\n", file.c_str(), std::strerror(errno));
        return 1;
    }
    std::vector<std::string> inputs;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        inputs.push_back(line);
    }
    if (in.bad()) {
        std::fprintf(stderr, "error: Cannot read the file.\n%s: %s\n", file.c_str(), std::strerror(errno));
        return 1;
    }
    const std::string self = selfPath();
    if (self.empty()) {
        std::fprintf(stderr, "error: the program cannot find itself to start workers\n");
        return 1;
    }
    if (jobs < 1) jobs = 1;
    catchStopSignals();
    const auto limit = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeoutSeconds));
    char limitText[32];
    std::snprintf(limitText, sizeof limitText, "%g", timeoutSeconds);

    std::vector<std::string> results(inputs.size());
    std::vector<bool> done(inputs.size(), false);
    std::vector<Worker> running;
    size_t next = 0, printed = 0;
    bool allSucceeded = true;
    while (printed < inputs.size() && !stopSignal) {
        while (next < inputs.size() && static_cast<int>(running.size()) < jobs) {
            Worker w;
            w.index = next;
            // A line is one text: a NUL byte would cut it short unseen.
            if (inputs[next].find('\0') != std::string::npos) {
                results[next] = failedLine(inputs[next], "The line holds a NUL byte, which no curve or file name has.",
                                           "Remove the NUL byte from the line");
                done[next] = true;
                allSucceeded = false;
            } else if (!start(self, inputs[next], w)) {
                results[next] = resultLine(inputs[next], -1, "");
                done[next] = true;
                allSucceeded = false;
            } else {
                w.deadline = Clock::now() + limit;
                running.push_back(w);
            }
            ++next;
        }
        std::vector<pollfd> fds;
        for (const Worker &w : running) fds.push_back({w.fd, POLLIN, 0});
        fds.push_back({signalPipe[0], POLLIN, 0});
        int wait = -1;
        if (!running.empty()) {
            Clock::time_point first = running.front().deadline;
            for (const Worker &w : running) first = std::min(first, w.deadline);
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(first - Clock::now()).count();
            wait = static_cast<int>(std::clamp<long long>(ms + 1, 0, 60000));
        }
        if (!running.empty() && ::poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) break;
        if (stopSignal) break;
        const Clock::time_point now = Clock::now();
        for (size_t k = running.size(); k-- > 0;) {
            Worker &w = running[k];
            const bool ready = fds[k].revents & (POLLIN | POLLHUP | POLLERR);
            if (!ready && now < w.deadline) continue;
            if (now >= w.deadline) {
                stop(w);
                results[w.index] = failedLine(inputs[w.index],
                                              std::string("The run took longer than the time limit of ") + limitText +
                                                  " seconds and was stopped.",
                                              "Raise the limit with --timeout, or run this curve alone");
                allSucceeded = false;
                done[w.index] = true;
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(k));
                continue;
            }
            char buf[65536];
            const ssize_t n = ::read(w.fd, buf, sizeof buf);
            if (n > 0) {
                w.output.append(buf, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            ::close(w.fd);
            int status = 0;
            while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
            }
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            if (code != 0) allSucceeded = false;
            results[w.index] = resultLine(inputs[w.index], code, w.output);
            done[w.index] = true;
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(k));
        }
        // Lines go out in input order as soon as they are known.
        while (printed < inputs.size() && done[printed]) {
            std::printf("%s\n", results[printed].c_str());
            std::fflush(stdout);
            ++printed;
        }
    }
    if (stopSignal) {
        // The batch was told to end: its workers end first, then the batch
        // ends by the same signal.
        for (Worker &w : running) stop(w);
        const int sig = stopSignal;
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        ::sigaction(sig, &action, nullptr);
        ::raise(sig);
        return 128 + sig;
    }
    return allSucceeded ? 0 : 1;
}

}  // namespace quorvel::cli
