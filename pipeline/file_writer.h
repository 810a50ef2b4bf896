// The one way the program writes a file, documents and pictures alike:
// either the whole new file takes the name, or the old file stays as it was.
#pragma once

#include <unistd.h>

#include <string>
#include <utility>

namespace quorvel {

// A file descriptor closed on every way out.
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

// The system's words for an errno value.
std::string systemReason(int error);

// How a file may be replaced.
struct FileWrite {
    // The name must not exist yet: an existing file is left alone and the
    // write fails.
    bool onlyNew = false;
    // A read-only file may be replaced (it stays read-only). Without it a
    // file that cannot be written, or whose permissions let nobody write
    // it, is refused.
    bool replaceReadOnly = false;
};

// The reason writeWholeFile gives for a read-only target.
inline constexpr const char *readOnlyReason = "the file is read-only";
// The remedy the commands give with it.
inline constexpr const char *readOnlyRemedy =
    "Choose another name or make the file writable (quorvel-cli: give --replace-read-only to replace it)";

// Writes the bytes to a temporary file in the target's folder, flushes
// them to the disk and only then renames the temporary over the target,
// so that every failure (a full disk, a write error, a signal) leaves the
// old file untouched. A symbolic link is followed to the file it names. A
// target that exists must be a regular file (a folder, device, FIFO or
// socket is refused); a replaced file keeps its permission bits, and its
// owner and group where the system allows. While the temporary exists,
// SIGINT, SIGTERM and SIGHUP remove it before the process ends as the
// signal asks. False with the reason; nothing is shown.
bool writeWholeFile(const std::string &path, const std::string &bytes, const FileWrite &how, std::string &reason);

// The file the path names (through its links) exists and is one that
// writeWholeFile refuses without replaceReadOnly.
bool isReadOnlyFile(const std::string &path);

}  // namespace quorvel
