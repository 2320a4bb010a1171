// The buffer the Windows bodies and the NSIS plugin hold text in, against std::string:
// the same characters after any run of copies, moves and shortenings; and the plugin's
// decimal numbers against std::to_string.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>

#include "nsis_plugin/installer_edge.h"
#include "platform/text_buffer.h"

namespace {

using kelvane::platform::TextBuffer;

std::string contents(const TextBuffer<char>& buffer) { return std::string(buffer.c_str(), buffer.size()); }

TEST(TextBuffer, FollowsStdStringThroughCopiesMovesAndShortenings) {
    std::mt19937 random(7);
    std::string expected;
    TextBuffer<char> buffer;
    for (int step = 0; step < 2000; ++step) {
        switch (random() % 3) {
        case 0: {  // a fresh copy, NULs and all
            expected.assign(random() % 40, '\0');
            for (char& c : expected) c = static_cast<char>(random());
            buffer = TextBuffer<char>(expected.data(), expected.size());
            break;
        }
        case 1: {  // moved out and back
            TextBuffer<char> moved(std::move(buffer));
            EXPECT_TRUE(buffer.empty());
            buffer = std::move(moved);
            break;
        }
        default: {
            const std::size_t length = random() % 50;
            if (length < expected.size()) expected.resize(length);
            buffer.shorten(length);
        }
        }
        ASSERT_TRUE(buffer.valid());
        ASSERT_EQ(contents(buffer), expected);
        ASSERT_EQ(buffer.c_str()[buffer.size()], '\0');
    }
    EXPECT_FALSE(TextBuffer<char>::failed().valid());
    EXPECT_STREQ(TextBuffer<char>::failed().c_str(), "");
}

TEST(TextBuffer, DecimalEqualsToString) {
    std::mt19937 random(11);
    for (int value : {0, 1, -1, 9, 10, -10, INT_MAX, INT_MIN}) {
        EXPECT_EQ(contents(kelvane::nsis::decimal<char>(value)), std::to_string(value));
    }
    for (int i = 0; i < 1000; ++i) {
        const int value = static_cast<int>(random());
        const auto wide = kelvane::nsis::decimal<wchar_t>(value);
        const std::wstring expected = std::to_wstring(value);
        // Unit by unit: glibc's vector wmemcmp behind wstring's == reads past the end of a
        // short string, which valgrind reports though the page holds it.
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), wide.c_str(), wide.c_str() + wide.size())) << value;
    }
}

}  // namespace
