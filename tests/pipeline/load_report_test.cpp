// What a load did not load is told afterwards; a complete or lower-stage
// document tells nothing. The Parameter Space window's load of another
// polynomial shows in the main form.
#include "pipeline/load_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

class Yes : public LoadQuestions {
public:
    bool loadTraces() override { return true; }
    bool loadAnotherPolynomial() override { return true; }
};

class LoadReport : public ::testing::Test {
protected:
    testing::RecordingErrors recorder;
    Session session;
    std::string path = (std::filesystem::temp_directory_path() /
                        ("quorvel-load-report-" + std::to_string(::getpid()) + ".qpf"))
                           .string();

    ~LoadReport() override { std::filesystem::remove(path); }

    void write(const std::string &bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    // A whole document of x^2-t with the traces of the loop around 0.
    std::string wholeDocument() {
        session.typePolynomial("x^2-t");
        EXPECT_TRUE(session.runPipeline());
        startAutoLoop(session, 0);
        while (session.parameterSpace.timerRunning) timerTick(session);
        return writeSections(session) + writeTraces(session);
    }
};

std::string cutAfter(const std::string &text, const std::string &tag, int lines) {
    size_t at = text.find(tag);
    for (int k = 0; k <= lines; ++k) at = text.find("\r\n", at) + 2;
    return text.substr(0, at);
}

std::string lfOnly(std::string text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out.push_back(c);
    return out;
}

TEST_F(LoadReport, EachMalformedFileTellsWhatWasNotLoaded) {
    const std::string whole = wholeDocument();
    struct Row {
        const char *name;
        std::string bytes;
        const char *notice;  // a part of the one notice; nullptr: none
    };
    const Row rows[] = {
        {"a whole document", whole, nullptr},
        {"a stage-one document", "*polynomial\r\nx^2-t\r\n*degenerateloci\r\n0\r\n", nullptr},
        {"an empty file", "", "The file is empty"},
        {"binary junk", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0", 20), "not a Quorvel document"},
        {"a bad polynomial line", "*polynomial\r\nx^2-\r\n", "is not a curve in two letters"},
        {"LF-only line ends", lfOnly(whole), "LF alone"},
        {"a truncated fiber", cutAfter(whole, "*fiberonbasepoint", 2), "\"*fiberonbasepoint\" section ends after 0 of its 2"},
        {"lost branch loci", "*polynomial\r\nx^2-t\r\n*branchpoly\r\nt\r\n*parameterbase\r\n1\r\n0\r\n",
         "\"*branchloci\" section is missing"},
        {"a truncated parameter trace", cutAfter(whole, "*parametertrace", 3), "\"*parametertrace\" section ends after 1 of its"},
        {"a truncated solution trace", cutAfter(whole, "*solutiontrace", 7), "whole steps of the"},
        {"three letters", "*polynomial\r\nx+y+z\r\n", "is not a curve in two letters"},
        {"a number that is not finite", cutAfter(whole, "*parametertrace", 1) + "inf\r\n" +
                                            whole.substr(cutAfter(whole, "*parametertrace", 2).size()),
         "not finite (nan, inf or beyond the doubles): read as 0"},
        {"a base point that is not finite", cutAfter(whole, "*parameterbase", 0) + "1e999\r\n" +
                                                whole.substr(cutAfter(whole, "*parameterbase", 1).size()),
         "The base point \"1e999+(+0.000000)*i\" is not a finite complex number"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        write(row.bytes);
        Yes yes;
        const LoadOutcome out = loadDocumentReporting(session, path, yes);
        EXPECT_TRUE(out.read);
        if (!row.notice) {
            EXPECT_TRUE(out.notices.empty()) << out.notices.front();
            continue;
        }
        ASSERT_EQ(out.notices.size(), 1u);
        EXPECT_NE(out.notices.front().find(row.notice), std::string::npos) << out.notices.front();
    }
}

TEST_F(LoadReport, AnotherPolynomialFromThePlanesShowsInTheMainForm) {
    write(wholeDocument());
    session.typePolynomial("x^3-t");
    ASSERT_TRUE(session.runPipeline());
    session.state.documentName = "cubic.qpf";
    Yes yes;
    const LoadOutcome out = loadTracesReporting(session, path, yes);
    ASSERT_TRUE(out.anotherPolynomial);
    EXPECT_TRUE(out.notices.empty());
    EXPECT_EQ(session.state.stage, stageFiber);
    EXPECT_EQ(session.form.polynomial, "x^2-t");
    EXPECT_EQ(session.form.branchPolynomial, session.state.branchPolynomialText);
    EXPECT_EQ(session.form.fiber.size(), 2u);
    EXPECT_EQ(session.form.branchLoci.size(), 1u);
    EXPECT_EQ(session.form.name, std::filesystem::path(path).filename().string());
    // "Go" now finds nothing to redo, and a save writes the loaded curve.
    EXPECT_TRUE(session.runPipeline());
    EXPECT_EQ(session.state.polynomialText, "x^2-t");
    EXPECT_EQ(writeSections(session).find("x^3"), std::string::npos);

    // A file whose polynomial is not a curve replaces nothing, names nothing
    // and says why.
    write("*polynomial\r\nx^2-\r\n");
    const LoadOutcome refused = loadTracesReporting(session, path, yes);
    EXPECT_FALSE(refused.anotherPolynomial);
    EXPECT_EQ(session.form.polynomial, "x^2-t");
    ASSERT_EQ(refused.notices.size(), 1u);
    EXPECT_NE(refused.notices.front().find("not a curve in two letters"), std::string::npos) << refused.notices.front();
}

}  // namespace
}  // namespace quorvel
