// A text whose hex result would not fit a signed 32-bit size is refused with null.
// It needs a gigabyte of memory, which only the 64-bit build can give.
#include <gtest/gtest.h>

#include <string>

#include "crypt/string_crypt.h"

namespace kelvane::test {
namespace {

TEST(HugeTextLinux, HexLargerThanTwoGigabytesGivesNull) {
    if (sizeof(void*) < 8) GTEST_SKIP() << "needs a 64-bit address space";
    const std::string text(std::size_t{1} << 30, 'a');  // 2 * P + 1 is 2^31 + 1
    EXPECT_EQ(cryptString(text.c_str(), "k"), nullptr);
}

}  // namespace
}  // namespace kelvane::test
