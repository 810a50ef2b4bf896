// The polynomial document file (".qpf"): a text file of tagged sections,
// from the polynomial to the traces of a tracing run.
//
// Every line of a written file ends with CR LF. A section starts with its
// tag line; real numbers are written "%+f" when that reads back as the same
// double and "%+.17g" otherwise, counts "%d", a complex number
// takes two lines (real part, then imaginary part). The reader finds each
// section by searching from the start of the file, so the order of the
// sections does not matter to it. A malformed file shows no message: a
// missing section or an early end of the file ends the load where it
// stands, and the stage tells how far the state got.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/complex.h"
#include "pipeline/file_writer.h"

namespace quorvel {

class Session;

inline constexpr std::string_view tagPolynomial = "*polynomial";
inline constexpr std::string_view tagDegenerateLoci = "*degenerateloci";
inline constexpr std::string_view tagBranchPolynomial = "*branchpoly";
inline constexpr std::string_view tagBranchLoci = "*branchloci";
inline constexpr std::string_view tagParameterBase = "*parameterbase";
inline constexpr std::string_view tagFiber = "*fiberonbasepoint";
inline constexpr std::string_view tagParameterTrace = "*parametertrace";
inline constexpr std::string_view tagSolutionTrace = "*solutiontrace";

inline constexpr const char *documentExtension = "qpf";
inline constexpr const char *documentFilter =
    "Quorvel Polynomial File (*.qpf)|*.qpf|全てのファイル (*.*)|*.*||";

// The most characters the reader keeps of one line; a line that reaches one
// more reads as the end of the file.
inline constexpr size_t documentLineLimit = 1023;

// Messages of the file commands when the file system refuses.
inline constexpr const char *cannotOpenMessage = "Cannot open the file.";
inline constexpr const char *cannotCreateMessage = "Cannot create the file.";
inline constexpr const char *fileRemedy = "Check the file name and its permissions";
// fileRemedy, or the remedy of a read-only file for its reason.
const char *fileRemedyFor(const std::string &reason);

// The largest document read: a larger file is refused before a byte of it
// is read (no document Quorvel writes comes near it).
inline constexpr size_t documentSizeLimit = size_t{64} << 20;

// The two questions a load may ask. The window shows its dialogs; tests and
// the command-line front end answer directly.
class LoadQuestions {
public:
    virtual ~LoadQuestions() = default;
    // "This file contains data of traces ..." — Yes answers true.
    virtual bool loadTraces() = 0;
    // "You chose a file of another polynomial. ..." — "Load another
    // polynomial" answers true, "Abort loading file" false.
    virtual bool loadAnotherPolynomial() = 0;
};

// The bytes of a document, read line by line.
//
// A line ends at CR. Of its bytes only 32 to 127 are kept (LF, TAB, the
// other control bytes and every byte of 128 or above vanish wherever they
// stand). A line that reaches documentLineLimit + 1 kept characters reads
// as the end of the file, and so does a last line without its CR; once the
// end was reported, every further read reports it again until findSection
// rewinds.
class DocumentReader {
public:
    explicit DocumentReader(std::string bytes);

    // Rewinds to the start and reads lines until one begins with the tag;
    // the reader is then positioned after that line. False when no line
    // before the end of the file begins with it.
    bool findSection(std::string_view tag);
    // The next line; false at the end of the file (line is then empty).
    bool readLine(std::string &line);
    // One line read as a real number ("any decimal form"; text that is not
    // a number, and a number too large for a double, read as 0).
    bool readReal(double &value);
    // One line read as a count (text that is not a number reads as 0;
    // values beyond the int range are clamped to it).
    bool readCount(int &count);
    // Two lines: real part, then imaginary part.
    bool readPoint(Complex &value);

private:
    std::string bytes_;
    size_t position_ = 0;
};

// The sections that the stage makes valid, CR LF ended: nothing at stage 0;
// the polynomial and degenerate loci from stage 1, the branch polynomial
// from 2, the branch loci from 3, the base point and the fiber at 4.
std::string writeSections(const Session &session);
// The parameter trace and the solution trace. The solution section's count
// is the number of steps its records make, so that a reader taking
// (degree x count) records reads exactly them; it equals the parameter
// record count for every trace a tracing run leaves.
std::string writeTraces(const Session &session);

// Rebuilds the curve state section by section, as far as the file allows.
// With the main window the form's fields are written as a load writes them
// and the root searches drive the progress bars; without it the form is
// left alone and the searches are quiet. A computation abandoned on the way
// (a record pool running out, a polynomial the parser refuses) ends the
// load at the last consistent stage.
// False when the file's polynomial is not a curve in two letters: nothing
// of the session was changed.
bool readSections(Session &session, DocumentReader &reader, bool withMainWindow);
// The parsed polynomial names exactly two letters: a fiber variable and a
// parameter.
struct Term;
bool isTwoLetterCurve(const Term *parsed);

// What keeps the bytes from giving a curve, as a user reads it ("the file
// is empty", "its lines end with LF alone ...", "its line 3 is longer than
// 1023 characters", "it has no "*polynomial" section", ...); empty when
// the "*polynomial" section reads as a polynomial in two letters. A
// polynomial line that cannot be read has its reason shown first.
std::string documentProblem(const std::string &bytes);

// Reads "*parametertrace" and "*solutiontrace" into the two traces.
// Answers true when both sections were read to their counts. Whatever was
// read is a finished run (the replay at its start, no loops drawn, its
// braid read again from its steps by judgeLoadedTraces) and stays: the parameter trace is never left empty (it
// falls back to the base point), the solution trace keeps only whole steps
// numbered 0, 1, ... s - 1 (falling back to the fiber when none is whole),
// and traceStepCount always counts the steps it holds.
bool readTraceSections(Session &session, DocumentReader &reader);

// ---- file commands ------------------------------------------------------------
// Each answers false after telling the error channel when the file cannot be
// opened or created ("Cannot open the file." or "Cannot create the file.",
// followed by the path and the system's reason), and then changes nothing.
// A save writes through writeWholeFile (pipeline/file_writer.h): a failed
// save never loses the previous document.

// The main window's "Save": the sections; documentName becomes the file
// name without its folder.
bool saveDocument(Session &session, const std::string &path, const FileWrite &how = {});
// The Parameter Space window's "Save file": the sections, then the traces;
// documentName as for saveDocument.
bool saveDocumentWithTraces(Session &session, const std::string &path, const FileWrite &how = {});
// The main window's "Load": documentName becomes the file name, the sections
// are read with the main window, then the traces if the file has them and
// the question is answered yes.
bool loadDocument(Session &session, const std::string &path, LoadQuestions &questions);
// The Parameter Space window's "&Load from file": the polynomial of the file
// is compared with the curve (the same polynomial in the same fiber
// variable and parameter); another polynomial is loaded without the main
// window only when the question is answered so; then the traces.
// documentName is left alone. True whenever the file could be read.
bool loadTracesFromFile(Session &session, const std::string &path, LoadQuestions &questions);

// The bytes of a regular file of at most documentSizeLimit bytes. False
// with the reason (a missing file, a folder, a FIFO or device, which is
// never waited on, a file too large) otherwise.
bool readDocumentFile(const std::string &path, std::string &bytes, std::string &reason);
// "message path: reason", the text of a failed file command.
std::string fileMessage(const char *message, const std::string &path, const std::string &reason);

// The file name without its folder.
std::string fileNameOf(const std::string &path);

}  // namespace quorvel
