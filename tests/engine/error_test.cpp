#include <gtest/gtest.h>

#include <string>

#include "support/recording_errors.h"

namespace quorvel {
namespace {

TEST(ErrorChannel, WrapsAtSpacesIntoLinesOfSixty) {
    const std::string word50(50, 'w');
    const struct {
        const char *name;
        std::string text;
        std::string wrapped;
    } cases[] = {
        {"fits", "maybe your equations is over the capacity of this software.",
         "maybe your equations is over the capacity of this software."},
        {"breaks at the last space before 60",
         "Parameter go thru near the branch point. We cannot trace anymore.",
         "Parameter go thru near the branch point. We cannot trace\nanymore."},
        {"a space at 61 is the break", std::string(60, 'a') + " b", std::string(60, 'a') + "\nb"},
        {"a word longer than a line stays whole", std::string(70, 'a') + " b " + word50 + " c",
         std::string(70, 'a') + "\nb " + word50 + " c"},
        {"a line break of the text starts a new line", "Memory allocation failed.\n",
         "Memory allocation failed.\n"},
        {"empty", "", ""},
    };
    for (const auto &c : cases) {
        const std::string wrapped = breakLines(c.text);
        EXPECT_EQ(wrapped, c.wrapped) << c.name;
        size_t lineStart = 0;
        for (size_t end = wrapped.find('\n'); ; end = wrapped.find('\n', lineStart)) {
            const std::string line = wrapped.substr(lineStart, end - lineStart);
            EXPECT_TRUE(line.size() <= lineWidth || line.find(' ') == std::string::npos) << c.name;
            if (end == std::string::npos) break;
            lineStart = end + 1;
        }
    }
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
