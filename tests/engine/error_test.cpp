#include <gtest/gtest.h>

#include <string>

#include "support/recording_errors.h"

namespace quorvel {
namespace {

TEST(ErrorChannel, BreaksLinesAfterEverySixtyCharacters) {
    const std::string remedy = "maybe your equations is over the capacity of this software.";
    ASSERT_EQ(remedy.size(), 59u);
    EXPECT_EQ(breakLines(remedy), remedy);

    const std::string message = "Parameter go thru near the branch point. We cannot trace anymore.";
    ASSERT_EQ(message.size(), 65u);
    EXPECT_EQ(breakLines(message), message.substr(0, 60) + "\n" + message.substr(60));

    const std::string exact(120, 'a');
    EXPECT_EQ(breakLines(exact), std::string(60, 'a') + "\n" + std::string(60, 'a'));
    EXPECT_EQ(breakLines(""), "");
}

TEST(ErrorChannel, HandlerReceivesFormattedTextsAndCanBeReplaced) {
    testing::RecordingErrors outer;
    {
        testing::RecordingErrors inner;
        showError("Parameter go thru near the branch point. We cannot trace anymore.",
                  "Using Manual mode, replace the parameter path.");
        ASSERT_EQ(inner.errors.size(), 1u);
        EXPECT_NE(inner.errors[0].message.find('\n'), std::string::npos);
        EXPECT_EQ(inner.errors[0].remedy, "Using Manual mode, replace the parameter path.");
    }
    showError(memoryMessage, memoryRemedy);
    ASSERT_EQ(outer.errors.size(), 1u);
    EXPECT_EQ(outer.errors[0].message, "Memory allocation failed.\n");
    EXPECT_EQ(outer.errors[0].remedy, "Tell the maker");
}

}  // namespace
}  // namespace quorvel
