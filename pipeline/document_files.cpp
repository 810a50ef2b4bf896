// The file commands of the document: reading a whole file and replacing one
// safely.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "engine/error.h"
#include "engine/polytext.h"
#include "pipeline/document.h"
#include "pipeline/session.h"

namespace quorvel {

std::string fileNameOf(const std::string &path) {
    return std::filesystem::path(path).filename().string();
}

std::string fileMessage(const char *message, const std::string &path, const std::string &reason) {
    return std::string(message) + " " + (path.empty() ? std::string("(no file name)") : path) + ": " +
           reason;
}

namespace {

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }
    // Closes now; false (errno set) when the close reports an error.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

std::string systemReason(int error) { return std::strerror(error); }

}  // namespace

bool readDocumentFile(const std::string &path, std::string &bytes, std::string &reason) {
    if (path.empty()) {
        reason = "the file name is empty";
        return false;
    }
    // Non-blocking, so that a FIFO or a device cannot stall the open; only
    // a regular file is read.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        reason = systemReason(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        reason = systemReason(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        reason = systemReason(EISDIR);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "it is not a regular file";
        return false;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            reason = systemReason(errno);
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

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

// The file a save writes: a symbolic link is followed to the file it names
// (even when that does not exist yet), so that saving through a link
// updates the document instead of replacing the link.
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

}  // namespace

bool writeDocumentFile(const std::string &path, const std::string &bytes, bool onlyNew,
                       std::string &reason) {
    if (path.empty()) {
        reason = "the file name is empty";
        return false;
    }
    std::string target;
    if (!resolveTarget(path, target, reason)) return false;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        reason = systemReason(EISDIR);
        return false;
    }
    if (exists && onlyNew) {
        reason = systemReason(EEXIST);
        return false;
    }
    // The temporary name is short and fixed, so that any file name the
    // system accepts can be the target.
    std::filesystem::path folder = std::filesystem::path(target).parent_path();
    if (folder.empty()) folder = ".";
    std::string temporary = (folder / ".qpf-XXXXXX").string();
    Descriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) {
        reason = systemReason(errno);
        return false;
    }
    mode_t mode = 0;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    int error = ok ? 0 : errno;
    if (!fd.close() && ok) {
        ok = false;
        error = errno;
    }
    if (ok) {
        // Either the whole new file takes the name, or nothing changes. A
        // new-only save links the name, which fails when it has appeared
        // meanwhile, instead of renaming over it.
        if (onlyNew) {
            ok = ::link(temporary.c_str(), target.c_str()) == 0;
            if (!ok) error = errno;
            ::unlink(temporary.c_str());
        } else {
            ok = ::rename(temporary.c_str(), target.c_str()) == 0;
            if (!ok) error = errno;
        }
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        reason = systemReason(error);
    }
    return ok;
}

namespace {

bool save(Session &session, const std::string &path, bool withTraces, bool onlyNew) {
    std::string bytes = writeSections(session);
    if (withTraces) bytes += writeTraces(session);
    std::string reason;
    if (!writeDocumentFile(path, bytes, onlyNew, reason)) {
        showError(fileMessage(cannotCreateMessage, path, reason), fileRemedy);
        return false;
    }
    session.state.documentName = cutText(fileNameOf(path), documentNameLimit);
    // Only what was written is safe: a main-window save leaves the traces
    // of a run unsaved.
    session.markSaved(withTraces);
    return true;
}

bool readForCommand(const std::string &path, std::string &bytes) {
    std::string reason;
    if (readDocumentFile(path, bytes, reason)) return true;
    showError(fileMessage(cannotOpenMessage, path, reason), fileRemedy);
    return false;
}

// Curve minus the polynomial of the text is the zero polynomial, and both
// take the same letters as fiber variable and parameter (the file names
// them by their order of appearance).
bool sameCurve(const Term *curve, const std::string &text) {
    Letters letters = unsetLetters;
    OwnedPolynomial parsed(parsePolynomial(text, letters));
    if (!isTwoLetterCurve(parsed.get())) return false;
    if (parsed.get()->var[0] != curve->var[0] || parsed.get()->var[1] != curve->var[1]) return false;
    OwnedPolynomial difference(copyPolynomial(curve));
    OwnedPolynomial negated(negatedCopy(parsed.get()));
    addPolynomial(difference.ref(), negated.get());
    return isZeroPolynomial(difference.get());
}

}  // namespace

bool saveDocument(Session &session, const std::string &path) { return save(session, path, false, false); }

bool saveDocumentWithTraces(Session &session, const std::string &path, bool onlyNew) {
    return save(session, path, true, onlyNew);
}

bool loadDocument(Session &session, const std::string &path, LoadQuestions &questions) {
    std::string bytes;
    if (!readForCommand(path, bytes)) return false;
    DocumentReader reader(std::move(bytes));
    // A file whose polynomial is refused leaves the document held whole,
    // its name included.
    if (!readSections(session, reader, true)) return true;
    session.state.documentName = cutText(fileNameOf(path), documentNameLimit);
    ++session.parameterSpace.fitRequest;
    // What a load brings in is held by its file.
    if (reader.findSection(tagParameterTrace) && questions.loadTraces()) readTraceSections(session, reader);
    session.markSaved();
    return true;
}

bool loadTracesFromFile(Session &session, const std::string &path, LoadQuestions &questions) {
    std::string bytes;
    if (!readForCommand(path, bytes)) return false;
    DocumentReader reader(std::move(bytes));
    std::string line;
    if (!reader.findSection(tagPolynomial) || !reader.readLine(line)) return true;
    bool same = false;
    try {
        same = sameCurve(session.state.curve.get(), line);
    } catch (const ComputationAbandoned &) {
        return true;
    }
    if (!same) {
        if (!questions.loadAnotherPolynomial()) return true;
        // Another polynomial that is no curve loads nothing, traces neither.
        if (!readSections(session, reader, false)) return true;
    }
    readTraceSections(session, reader);
    ++session.parameterSpace.fitRequest;
    // Another curve loaded with its traces is its file's; traces loaded onto
    // the curve held join work that may not be saved.
    if (!same) session.markSaved();
    return true;
}

}  // namespace quorvel
