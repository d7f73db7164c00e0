#include <gtest/gtest.h>

#include <string>

#include "form/expected_help_texts.h"
#include "rx/help_texts.h"

namespace vantrel {
namespace {

TEST(HelpTexts, EveryTopicMatchesLineByLine) {
    for (int t = 0; t < kHelpTopicCount; ++t) {
        const auto& expected = test::kExpectedHelp[t];
        const HelpText& text = helpText(static_cast<HelpTopic>(t));
        for (int line = 1; line <= kHelpLineCount; ++line) {
            EXPECT_EQ(std::string(text[std::size_t(line - 1)]), expected.line(line))
                << expected.operation << " line " << line;
        }
    }
}

}  // namespace
}  // namespace vantrel
