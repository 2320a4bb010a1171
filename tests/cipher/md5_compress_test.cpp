// md5Compress on its own: one compression of a message that fits one padded block
// gives the RFC 1321 test-suite digest.
#include <gtest/gtest.h>

#include <string>

#include "cipher/byte_order.h"
#include "cipher/md5_compress.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

struct Md5Vector {
    const char* message;
    const char* digest;
};

// RFC 1321, appendix A.5: the messages short enough for one block.
const Md5Vector MD5_VECTORS[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
};

// The message, a 0x80 byte, zeros, and its length in bits (at most 55 bytes).
Bytes paddedBlock(const std::string& message) {
    Bytes block(64, 0);
    std::copy(message.begin(), message.end(), block.begin());
    block[message.size()] = 0x80;
    storeLe32(block.data() + 56, static_cast<std::uint32_t>(8 * message.size()));
    return block;
}

TEST(Md5Compress, OneBlockMessagesGiveTheirDigests) {
    for (const Md5Vector& v : MD5_VECTORS) {
        std::uint32_t state[4] = {MD5_INITIAL_STATE[0], MD5_INITIAL_STATE[1], MD5_INITIAL_STATE[2],
                                  MD5_INITIAL_STATE[3]};
        md5Compress(state, paddedBlock(v.message).data());
        Bytes digest(16);
        for (int i = 0; i < 4; ++i) storeLe32(digest.data() + 4 * i, state[i]);
        EXPECT_EQ(toHex(digest), toHex(fromHex(v.digest))) << '"' << v.message << '"';
    }
}

}  // namespace
}  // namespace kelvane::test
