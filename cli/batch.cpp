#include "cli/batch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/report.h"

namespace quorvel::cli {

namespace {

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    size_t index = 0;
    std::string output;
};

std::string selfPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

// Starts `self monodromy --json -- LINE` with its standard output on a pipe
// and its standard error discarded (the JSON lists the errors).
bool start(const std::string &self, const std::string &line, Worker &w) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, STDERR_FILENO);
        const char *argv[] = {self.c_str(), "monodromy", "--json", "--", line.c_str(), nullptr};
        ::execv(self.c_str(), const_cast<char *const *>(argv));
        ::_exit(127);
    }
    ::close(fds[1]);
    w.pid = pid;
    w.fd = fds[0];
    w.output.clear();
    return true;
}

std::string resultLine(const std::string &input, int status, const std::string &output) {
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(output);
    } catch (const nlohmann::json::exception &) {
        j = {{"errors", nlohmann::json::array({{{"message", "The worker gave no result."},
                                                {"remedy", "Run this curve alone with quorvel-cli monodromy"}}})}};
    }
    j["input"] = input;
    j["exitStatus"] = status;
    return jsonText(j);
}

}  // namespace

int runBatch(const std::string &file, int jobs) {
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
    const std::string self = selfPath();
    if (self.empty()) {
        std::fprintf(stderr, "error: the program cannot find itself to start workers\n");
        return 1;
    }
    if (jobs < 1) jobs = 1;

    std::vector<std::string> results(inputs.size());
    std::vector<bool> done(inputs.size(), false);
    std::vector<Worker> running;
    size_t next = 0, printed = 0;
    bool allSucceeded = true;
    while (printed < inputs.size()) {
        while (next < inputs.size() && static_cast<int>(running.size()) < jobs) {
            Worker w;
            w.index = next;
            if (!start(self, inputs[next], w)) {
                results[next] = resultLine(inputs[next], -1, "");
                done[next] = true;
                allSucceeded = false;
            } else {
                running.push_back(w);
            }
            ++next;
        }
        std::vector<pollfd> fds;
        for (const Worker &w : running) fds.push_back({w.fd, POLLIN, 0});
        if (!fds.empty() && ::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
        for (size_t k = running.size(); k-- > 0;) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            Worker &w = running[k];
            char buf[65536];
            const ssize_t n = ::read(w.fd, buf, sizeof buf);
            if (n > 0) {
                w.output.append(buf, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            ::close(w.fd);
            int status = 0;
            ::waitpid(w.pid, &status, 0);
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
    return allSucceeded ? 0 : 1;
}

}  // namespace quorvel::cli
