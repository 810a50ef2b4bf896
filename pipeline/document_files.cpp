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
#include "pipeline/file_writer.h"
#include "pipeline/session.h"

namespace quorvel {

std::string fileNameOf(const std::string &path) {
    return std::filesystem::path(path).filename().string();
}

const char *fileRemedyFor(const std::string &reason) {
    return reason == readOnlyReason ? readOnlyRemedy : fileRemedy;
}

std::string fileMessage(const char *message, const std::string &path, const std::string &reason) {
    return std::string(message) + " " + (path.empty() ? std::string("(no file name)") : path) + ": " +
           reason;
}

namespace {

std::string tooLargeReason(unsigned long long size) {
    return "it holds " + std::to_string(size) + " bytes, more than the " + std::to_string(documentSizeLimit >> 20) +
           " MB (" + std::to_string(documentSizeLimit) + " bytes) a document may hold";
}

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
    if (info.st_size > static_cast<off_t>(documentSizeLimit)) {
        reason = tooLargeReason(static_cast<unsigned long long>(info.st_size));
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
        // A file that grows while it is read is held to the same limit.
        if (bytes.size() > documentSizeLimit) {
            reason = tooLargeReason(bytes.size());
            bytes.clear();
            return false;
        }
    }
}

namespace {

bool save(Session &session, const std::string &path, bool withTraces, const FileWrite &how) {
    std::string bytes = writeSections(session);
    if (withTraces) bytes += writeTraces(session);
    std::string reason;
    if (!writeWholeFile(path, bytes, how, reason)) {
        showError(fileMessage(cannotCreateMessage, path, reason), fileRemedyFor(reason));
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

bool saveDocument(Session &session, const std::string &path, const FileWrite &how) {
    return save(session, path, false, how);
}

bool saveDocumentWithTraces(Session &session, const std::string &path, const FileWrite &how) {
    return save(session, path, true, how);
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
