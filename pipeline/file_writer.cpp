#include "pipeline/file_writer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <utility>

namespace quorvel {

std::string systemReason(int error) { return std::strerror(error); }

namespace {

bool writeAll(int fd, const std::string &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The file a write replaces: a symbolic link is followed to the file it
// names (even when that does not exist yet), so that writing through a link
// updates the file instead of replacing the link.
bool resolveTarget(const std::string &path, std::string &target, std::string &reason) {
    namespace fs = std::filesystem;
    fs::path current(path);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            target = current.string();
            return true;
        }
        std::error_code error;
        const fs::path next = fs::read_symlink(current, error);
        if (error) {
            reason = error.message();
            return false;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    reason = systemReason(ELOOP);
    return false;
}

// ---- the temporary file and the signals that end the process --------------------
//
// The handler may run at any instruction, so all it reads is prepared
// beforehand in static storage: the temporary's name, whether it is there,
// and the dispositions to give back.

constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int endingSignalCount = 3;

char temporaryName[PATH_MAX + 1];
volatile sig_atomic_t temporaryPresent = 0;
struct sigaction previousActions[endingSignalCount];
bool handlerInstalled[endingSignalCount];

extern "C" void removeTemporaryAndEnd(int signal) {
    const int saved = errno;
    if (temporaryPresent) ::unlink(temporaryName);
    temporaryPresent = 0;
    // The signal again, now with the disposition it had before the write
    // (delivered once this handler returns, as it is blocked meanwhile).
    for (int k = 0; k < endingSignalCount; ++k)
        if (endingSignals[k] == signal) ::sigaction(signal, &previousActions[k], nullptr);
    ::raise(signal);
    errno = saved;
}

sigset_t endingSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : endingSignals) sigaddset(&set, s);
    return set;
}

// Holds the ending signals back for as long as it lives: the temporary's
// name and its handlers change together.
class SignalsHeld {
public:
    SignalsHeld() {
        const sigset_t set = endingSignalSet();
        ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

private:
    sigset_t previous_;
};

// The temporary file beside the target. It is removed when the write does
// not complete, whether the function returns or a signal ends the process.
class Temporary {
public:
    // Creates the file; false (errno set) when it cannot be made.
    bool create(const std::filesystem::path &folder) {
        // The name is short and fixed in form, so that any file name the
        // system accepts can be the target.
        std::string name = (folder / ".quorvel-XXXXXX").string();
        if (name.size() > PATH_MAX) {
            errno = ENAMETOOLONG;
            return false;
        }
        SignalsHeld held;
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0) return false;
        name_ = name;
        std::memcpy(temporaryName, name.c_str(), name.size() + 1);
        temporaryPresent = 1;
        struct sigaction action {};
        action.sa_handler = removeTemporaryAndEnd;
        // One ending signal at a time runs the handler.
        action.sa_mask = endingSignalSet();
        for (int k = 0; k < endingSignalCount; ++k) {
            ::sigaction(endingSignals[k], nullptr, &previousActions[k]);
            // A signal the process ignores (nohup) must not end it now.
            handlerInstalled[k] = previousActions[k].sa_handler != SIG_IGN;
            if (handlerInstalled[k]) ::sigaction(endingSignals[k], &action, nullptr);
        }
        return true;
    }
    ~Temporary() {
        if (fd_ >= 0) ::close(fd_);
        finish(false);
    }
    Temporary() = default;
    Temporary(const Temporary &) = delete;
    Temporary &operator=(const Temporary &) = delete;

    int fd() const { return fd_; }
    const std::string &name() const { return name_; }
    // Closes the descriptor; false (errno set) when the close reports an
    // error (a delayed write failure).
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

    // Gives the temporary its final name by `place` (rename or link),
    // with the signals held, so that a signal either finds the temporary
    // to remove or the file complete. False (errno set) when `place` fails.
    template <class Place>
    bool complete(Place place) {
        SignalsHeld held;
        const bool ok = place(name_.c_str());
        const int error = errno;
        finish(ok);
        errno = error;
        return ok;
    }

private:
    // The temporary is gone (renamed) or removed now; the handlers go.
    void finish(bool renamed) {
        if (name_.empty()) return;
        SignalsHeld held;
        if (!renamed) ::unlink(name_.c_str());
        temporaryPresent = 0;
        for (int k = 0; k < endingSignalCount; ++k)
            if (handlerInstalled[k]) ::sigaction(endingSignals[k], &previousActions[k], nullptr);
        name_.clear();
    }

    int fd_ = -1;
    std::string name_;
};

// Makes the rename itself durable; a folder that cannot be flushed (some
// file systems refuse) does not undo a complete write.
void flushFolder(const std::filesystem::path &folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Only a privileged process may give the file away, and only a member of
// the group the group: what cannot be kept stays as created.
void keepOwner(int fd, const struct stat &old) {
    if (::fchown(fd, old.st_uid, old.st_gid) == 0) return;
    if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0) return;
}

bool readOnly(const std::string &target, const struct stat &info) {
    // Nobody may write it (which a privileged process's access() never
    // says), or this process may not.
    return (info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0;
}

}  // namespace

bool isReadOnlyFile(const std::string &path) {
    std::string target, reason;
    struct stat info {};
    return !path.empty() && resolveTarget(path, target, reason) && ::stat(target.c_str(), &info) == 0 &&
           S_ISREG(info.st_mode) && readOnly(target, info);
}

bool writeWholeFile(const std::string &path, const std::string &bytes, const FileWrite &how, std::string &reason) {
    if (path.empty()) {
        reason = "the file name is empty";
        return false;
    }
    std::string target;
    if (!resolveTarget(path, target, reason)) return false;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (how.onlyNew) {
            reason = systemReason(EEXIST);
            return false;
        }
        if (S_ISDIR(old.st_mode)) {
            reason = systemReason(EISDIR);
            return false;
        }
        if (!S_ISREG(old.st_mode)) {
            reason = "it is not a regular file (a device, FIFO or socket is never replaced)";
            return false;
        }
        if (!how.replaceReadOnly && readOnly(target, old)) {
            reason = readOnlyReason;
            return false;
        }
    }
    std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (folder.empty()) folder = ".";
    Temporary temporary;
    if (!temporary.create(folder)) {
        reason = systemReason(errno);
        return false;
    }
    mode_t mode = 0;
    if (exists) {
        // The owner first: a change of owner may clear the set-id bits,
        // which the mode then gives back.
        keepOwner(temporary.fd(), old);
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(temporary.fd(), mode) == 0 && writeAll(temporary.fd(), bytes) && ::fsync(temporary.fd()) == 0;
    int error = ok ? 0 : errno;
    if (!temporary.close() && ok) {
        ok = false;
        error = errno;
    }
    if (ok) {
        // A new-only write links the name, which fails when it has appeared
        // meanwhile, instead of renaming over it; the temporary's own name
        // goes on the way out.
        if (how.onlyNew) {
            ok = ::link(temporary.name().c_str(), target.c_str()) == 0;
            if (!ok) error = errno;
        } else {
            ok = temporary.complete([&target](const char *name) { return ::rename(name, target.c_str()) == 0; });
            if (!ok) error = errno;
        }
    }
    if (!ok) {
        reason = systemReason(error);
        return false;
    }
    flushFolder(folder);
    return true;
}

}  // namespace quorvel
