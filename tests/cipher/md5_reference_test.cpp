// md5Compress against OpenSSL's MD5_Transform on random states and blocks.
#include <gtest/gtest.h>

// MD5_Transform is deprecated in OpenSSL 3 but still the plain compression function.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/md5.h>

#include "cipher/md5_compress.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

TEST(Md5ReferenceNativeOnly, RandomStatesAndBlocksAgreeWithOpenssl) {
    std::mt19937 generator(1321);
    for (int i = 0; i < 10000; ++i) {
        std::uint32_t state[4];
        for (std::uint32_t& word : state) word = static_cast<std::uint32_t>(generator());
        const Bytes block = randomBytes(generator, 64);
        MD5_CTX context{};
        context.A = state[0], context.B = state[1], context.C = state[2], context.D = state[3];
        MD5_Transform(&context, block.data());
        md5Compress(state, block.data());
        const std::uint32_t expected[4] = {context.A, context.B, context.C, context.D};
        for (int w = 0; w < 4; ++w) {
            ASSERT_EQ(state[w], expected[w])
                << "word " << w << " block " << toHex(block) << std::hex << ": " << state[w]
                << " against " << expected[w];
        }
    }
}

}  // namespace
}  // namespace kelvane::test
#pragma GCC diagnostic pop
