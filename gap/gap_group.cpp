#include "gap/gap_group.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>

extern char **environ;

namespace quorvel {

namespace {

using Clock = std::chrono::steady_clock;

// quorvel-gap's exit status for a request it cannot read.
constexpr int helperRefusedRequest = 2;

// quorvel-gap beside the running program, else the one the build made.
std::string helperPath() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, static_cast<size_t>(n));
        dir = dir.substr(0, dir.rfind('/') + 1);
        const std::string beside = dir + "quorvel-gap";
        if (::access(beside.c_str(), X_OK) == 0) return beside;
    }
#ifdef QUORVEL_GAP_HELPER
    if (::access(QUORVEL_GAP_HELPER, X_OK) == 0) return QUORVEL_GAP_HELPER;
#endif
    return "";
}

std::string requestText(int n, const std::vector<std::vector<int>> &relators) {
    std::string out = "quorvel-gap 1\n" + std::to_string(n) + " " + std::to_string(relators.size()) + "\n";
    for (const std::vector<int> &r : relators) {
        out += std::to_string(r.size());
        for (int x : r) out += " " + std::to_string(x);
        out += "\n";
    }
    return out;
}

struct ProcessResult {
    bool spawned = false;
    bool timedOut = false;
    int status = 0;
    std::string out;
    std::string err;
    std::string spawnError;
};

void closeIfOpen(int &fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Runs the helper with `input` on its standard input until it ends or the
// deadline passes (then it is killed), collecting both outputs.
ProcessResult runHelper(const std::string &program, const std::vector<std::string> &args, const std::string &input,
                        Clock::time_point deadline) {
    ProcessResult r;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return r;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return r;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
        return r;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char *> argv;
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    for (std::string &a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawnStatus = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    int toChild = in[1], fromChild = out[0], errChild = err[0];
    if (spawnStatus != 0) {
        r.spawnError = std::strerror(spawnStatus);
        closeIfOpen(toChild);
        closeIfOpen(fromChild);
        closeIfOpen(errChild);
        return r;
    }
    r.spawned = true;
    ::fcntl(toChild, F_SETFL, O_NONBLOCK);
    size_t written = 0;
    char buffer[65536];
    while (fromChild >= 0 || errChild >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            r.timedOut = true;
            break;
        }
        pollfd fds[3];
        int count = 0;
        int outIndex = -1, errIndex = -1, inIndex = -1;
        if (fromChild >= 0) fds[outIndex = count++] = {fromChild, POLLIN, 0};
        if (errChild >= 0) fds[errIndex = count++] = {errChild, POLLIN, 0};
        if (toChild >= 0) fds[inIndex = count++] = {toChild, POLLOUT, 0};
        const int ready = ::poll(fds, static_cast<nfds_t>(count), static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        if (inIndex >= 0 && fds[inIndex].revents) {
            const ssize_t k = ::write(toChild, input.data() + written, input.size() - written);
            if (k > 0) written += static_cast<size_t>(k);
            if (k < 0 && errno != EAGAIN) written = input.size();
            if (written >= input.size()) closeIfOpen(toChild);
        }
        for (auto [index, fd, text] : {std::tuple{outIndex, &fromChild, &r.out}, std::tuple{errIndex, &errChild, &r.err}}) {
            if (index < 0 || !fds[index].revents) continue;
            const ssize_t k = ::read(*fd, buffer, sizeof buffer);
            if (k > 0)
                text->append(buffer, static_cast<size_t>(k));
            else if (k == 0 || errno != EINTR)
                closeIfOpen(*fd);
        }
    }
    closeIfOpen(toChild);
    closeIfOpen(fromChild);
    closeIfOpen(errChild);
    if (r.timedOut) ::kill(pid, SIGKILL);
    while (::waitpid(pid, &r.status, 0) < 0 && errno == EINTR) {
    }
    return r;
}

// Reads the helper's lines into the facts.
void readAnswer(const std::string &text, FpGroupFacts &facts) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string key;
        in >> key;
        if (key == "generators") {
            facts.simplified = true;
            for (std::string name; in >> name;) facts.generators.push_back(name);
        } else if (key == "relator") {
            std::vector<int> w;
            for (int x; in >> x;) w.push_back(x);
            facts.relators.push_back(w);
        } else if (key == "invariants") {
            facts.haveInvariants = true;
            for (std::string v; in >> v;) facts.abelianInvariants.push_back(v);
        } else if (key == "abelian") {
            in >> facts.abelian;
            std::getline(in >> std::ws, facts.abelianWitness);
        } else if (key == "order") {
            in >> facts.order;
        } else if (key == "done") {
            facts.complete = true;
        } else if (key == "error") {
            std::getline(in >> std::ws, facts.problem);
        }
    }
}

// Every pair of generators commutes when, for each pair, some relator is a
// cyclic conjugate of the commutator a b a^-1 b^-1 or of its inverse.
bool commutatorsAmongRelators(const FpGroupFacts &facts) {
    std::set<std::pair<int, int>> commuting;
    for (const std::vector<int> &r : facts.relators) {
        if (r.size() != 4) continue;
        for (int shift = 0; shift < 4; ++shift) {
            const int a = r[static_cast<size_t>(shift)], b = r[static_cast<size_t>((shift + 1) % 4)];
            const int c = r[static_cast<size_t>((shift + 2) % 4)], d = r[static_cast<size_t>((shift + 3) % 4)];
            if (a > 0 && b > 0 && c == -a && d == -b && a != b)
                commuting.insert({std::min(a, b), std::max(a, b)});
        }
    }
    const int g = static_cast<int>(facts.generators.size());
    for (int a = 1; a <= g; ++a)
        for (int b = a + 1; b <= g; ++b)
            if (!commuting.count({a, b})) return false;
    return true;
}

}  // namespace

FpGroupFacts studyFpGroup(int generators, const std::vector<std::vector<int>> &relators, double budgetSeconds) {
    FpGroupFacts facts;
    const std::string program = helperPath();
    if (program.empty()) {
        facts.problem = "quorvel-gap, the GAP process, is not installed beside this program";
        return facts;
    }
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline =
        start + std::chrono::milliseconds(static_cast<long long>(std::max(0.0, budgetSeconds) * 1000.0));
    const std::string input = requestText(generators, relators);
    ProcessResult run = runHelper(program, {}, input, deadline);
    // A saved GAP workspace that cannot be read makes GAP stop before it
    // answers anything: once more without it (the helper then saves a new one).
    const bool refused = WIFEXITED(run.status) && WEXITSTATUS(run.status) == helperRefusedRequest;
    if (run.spawned && !run.timedOut && run.out.empty() && !refused)
        run = runHelper(program, {"--fresh"}, input, deadline);
    facts.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!run.spawned) {
        facts.problem = program + " cannot be run (" + run.spawnError + ")";
        return facts;
    }
    facts.started = !run.out.empty();
    readAnswer(run.out, facts);
    if (facts.simplified && facts.abelian == "unknown") {
        if (commutatorsAmongRelators(facts)) {
            facts.abelian = "yes";
            facts.abelianWitness = "every pair of generators commutes";
        }
    }
    if (run.timedOut) {
        facts.complete = false;
        char text[64];
        std::snprintf(text, sizeof text, "%g", budgetSeconds);
        facts.problem = std::string("GAP did not finish within its budget of ") + text + " s";
    } else if (!facts.complete && facts.problem.empty()) {
        std::string tail = run.err.size() > 400 ? run.err.substr(run.err.size() - 400) : run.err;
        facts.problem = "GAP stopped without answering" + (tail.empty() ? std::string() : ": " + tail);
    }
    return facts;
}

}  // namespace quorvel
