// DES against the published known-answer tables of NIST SP 800-17 (appendix B), every
// vector in both directions, and the engine's DES key and length rules.
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "cipher/des.h"
#include "cipher/kernels.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

// One known-answer vector, each value written as published: first byte most significant.
struct DesVector {
    std::uint64_t key;
    std::uint64_t plain;
    std::uint64_t cipher;
};

// All key bits zero, parity bits set (odd parity): the tables' base key.
constexpr std::uint64_t ODD_PARITY_ZERO_KEY = 0x0101010101010101;

// Variable plaintext: key 0101010101010101, plaintext one bit, bit 1 to bit 64.
const DesVector VARIABLE_PLAINTEXT[] = {
    {ODD_PARITY_ZERO_KEY, 0x8000000000000000, 0x95F8A5E5DD31D900},
    {ODD_PARITY_ZERO_KEY, 0x4000000000000000, 0xDD7F121CA5015619},
    {ODD_PARITY_ZERO_KEY, 0x2000000000000000, 0x2E8653104F3834EA},
    {ODD_PARITY_ZERO_KEY, 0x1000000000000000, 0x4BD388FF6CD81D4F},
    {ODD_PARITY_ZERO_KEY, 0x0800000000000000, 0x20B9E767B2FB1456},
    {ODD_PARITY_ZERO_KEY, 0x0400000000000000, 0x55579380D77138EF},
    {ODD_PARITY_ZERO_KEY, 0x0200000000000000, 0x6CC5DEFAAF04512F},
    {ODD_PARITY_ZERO_KEY, 0x0100000000000000, 0x0D9F279BA5D87260},
    {ODD_PARITY_ZERO_KEY, 0x0080000000000000, 0xD9031B0271BD5A0A},
    {ODD_PARITY_ZERO_KEY, 0x0040000000000000, 0x424250B37C3DD951},
    {ODD_PARITY_ZERO_KEY, 0x0020000000000000, 0xB8061B7ECD9A21E5},
    {ODD_PARITY_ZERO_KEY, 0x0010000000000000, 0xF15D0F286B65BD28},
    {ODD_PARITY_ZERO_KEY, 0x0008000000000000, 0xADD0CC8D6E5DEBA1},
    {ODD_PARITY_ZERO_KEY, 0x0004000000000000, 0xE6D5F82752AD63D1},
    {ODD_PARITY_ZERO_KEY, 0x0002000000000000, 0xECBFE3BD3F591A5E},
    {ODD_PARITY_ZERO_KEY, 0x0001000000000000, 0xF356834379D165CD},
    {ODD_PARITY_ZERO_KEY, 0x0000800000000000, 0x2B9F982F20037FA9},
    {ODD_PARITY_ZERO_KEY, 0x0000400000000000, 0x889DE068A16F0BE6},
    {ODD_PARITY_ZERO_KEY, 0x0000200000000000, 0xE19E275D846A1298},
    {ODD_PARITY_ZERO_KEY, 0x0000100000000000, 0x329A8ED523D71AEC},
    {ODD_PARITY_ZERO_KEY, 0x0000080000000000, 0xE7FCE22557D23C97},
    {ODD_PARITY_ZERO_KEY, 0x0000040000000000, 0x12A9F5817FF2D65D},
    {ODD_PARITY_ZERO_KEY, 0x0000020000000000, 0xA484C3AD38DC9C19},
    {ODD_PARITY_ZERO_KEY, 0x0000010000000000, 0xFBE00A8A1EF8AD72},
    {ODD_PARITY_ZERO_KEY, 0x0000008000000000, 0x750D079407521363},
    {ODD_PARITY_ZERO_KEY, 0x0000004000000000, 0x64FEED9C724C2FAF},
    {ODD_PARITY_ZERO_KEY, 0x0000002000000000, 0xF02B263B328E2B60},
    {ODD_PARITY_ZERO_KEY, 0x0000001000000000, 0x9D64555A9A10B852},
    {ODD_PARITY_ZERO_KEY, 0x0000000800000000, 0xD106FF0BED5255D7},
    {ODD_PARITY_ZERO_KEY, 0x0000000400000000, 0xE1652C6B138C64A5},
    {ODD_PARITY_ZERO_KEY, 0x0000000200000000, 0xE428581186EC8F46},
    {ODD_PARITY_ZERO_KEY, 0x0000000100000000, 0xAEB5F5EDE22D1A36},
    {ODD_PARITY_ZERO_KEY, 0x0000000080000000, 0xE943D7568AEC0C5C},
    {ODD_PARITY_ZERO_KEY, 0x0000000040000000, 0xDF98C8276F54B04B},
    {ODD_PARITY_ZERO_KEY, 0x0000000020000000, 0xB160E4680F6C696F},
    {ODD_PARITY_ZERO_KEY, 0x0000000010000000, 0xFA0752B07D9C4AB8},
    {ODD_PARITY_ZERO_KEY, 0x0000000008000000, 0xCA3A2B036DBC8502},
    {ODD_PARITY_ZERO_KEY, 0x0000000004000000, 0x5E0905517BB59BCF},
    {ODD_PARITY_ZERO_KEY, 0x0000000002000000, 0x814EEB3B91D90726},
    {ODD_PARITY_ZERO_KEY, 0x0000000001000000, 0x4D49DB1532919C9F},
    {ODD_PARITY_ZERO_KEY, 0x0000000000800000, 0x25EB5FC3F8CF0621},
    {ODD_PARITY_ZERO_KEY, 0x0000000000400000, 0xAB6A20C0620D1C6F},
    {ODD_PARITY_ZERO_KEY, 0x0000000000200000, 0x79E90DBC98F92CCA},
    {ODD_PARITY_ZERO_KEY, 0x0000000000100000, 0x866ECEDD8072BB0E},
    {ODD_PARITY_ZERO_KEY, 0x0000000000080000, 0x8B54536F2F3E64A8},
    {ODD_PARITY_ZERO_KEY, 0x0000000000040000, 0xEA51D3975595B86B},
    {ODD_PARITY_ZERO_KEY, 0x0000000000020000, 0xCAFFC6AC4542DE31},
    {ODD_PARITY_ZERO_KEY, 0x0000000000010000, 0x8DD45A2DDF90796C},
    {ODD_PARITY_ZERO_KEY, 0x0000000000008000, 0x1029D55E880EC2D0},
    {ODD_PARITY_ZERO_KEY, 0x0000000000004000, 0x5D86CB23639DBEA9},
    {ODD_PARITY_ZERO_KEY, 0x0000000000002000, 0x1D1CA853AE7C0C5F},
    {ODD_PARITY_ZERO_KEY, 0x0000000000001000, 0xCE332329248F3228},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000800, 0x8405D1ABE24FB942},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000400, 0xE643D78090CA4207},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000200, 0x48221B9937748A23},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000100, 0xDD7C0BBD61FAFD54},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000080, 0x2FBC291A570DB5C4},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000040, 0xE07C30D7E4E26E12},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000020, 0x0953E2258E8E90A1},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000010, 0x5B711BC4CEEBF2EE},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000008, 0xCC083F1E6D9E85F6},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000004, 0xD2FD8867D50D2DFE},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000002, 0x06E7EA22CE92708F},
    {ODD_PARITY_ZERO_KEY, 0x0000000000000001, 0x166B40B44ABA4BD6},
};

// Variable key: plaintext 0, key one bit (parity bits aside) over 0101010101010101.
const DesVector VARIABLE_KEY[] = {
    {0x8001010101010101, 0, 0x95A8D72813DAA94D},
    {0x4001010101010101, 0, 0x0EEC1487DD8C26D5},
    {0x2001010101010101, 0, 0x7AD16FFB79C45926},
    {0x1001010101010101, 0, 0xD3746294CA6A6CF3},
    {0x0801010101010101, 0, 0x809F5F873C1FD761},
    {0x0401010101010101, 0, 0xC02FAFFEC989D1FC},
    {0x0201010101010101, 0, 0x4615AA1D33E72F10},
    {0x0180010101010101, 0, 0x2055123350C00858},
    {0x0140010101010101, 0, 0xDF3B99D6577397C8},
    {0x0120010101010101, 0, 0x31FE17369B5288C9},
    {0x0110010101010101, 0, 0xDFDD3CC64DAE1642},
    {0x0108010101010101, 0, 0x178C83CE2B399D94},
    {0x0104010101010101, 0, 0x50F636324A9B7F80},
    {0x0102010101010101, 0, 0xA8468EE3BC18F06D},
    {0x0101800101010101, 0, 0xA2DC9E92FD3CDE92},
    {0x0101400101010101, 0, 0xCAC09F797D031287},
    {0x0101200101010101, 0, 0x90BA680B22AEB525},
    {0x0101100101010101, 0, 0xCE7A24F350E280B6},
    {0x0101080101010101, 0, 0x882BFF0AA01A0B87},
    {0x0101040101010101, 0, 0x25610288924511C2},
    {0x0101020101010101, 0, 0xC71516C29C75D170},
    {0x0101018001010101, 0, 0x5199C29A52C9F059},
    {0x0101014001010101, 0, 0xC22F0A294A71F29F},
    {0x0101012001010101, 0, 0xEE371483714C02EA},
    {0x0101011001010101, 0, 0xA81FBD448F9E522F},
    {0x0101010801010101, 0, 0x4F644C92E192DFED},
    {0x0101010401010101, 0, 0x1AFA9A66A6DF92AE},
    {0x0101010201010101, 0, 0xB3C1CC715CB879D8},
    {0x0101010180010101, 0, 0x19D032E64AB0BD8B},
    {0x0101010140010101, 0, 0x3CFAA7A7DC8720DC},
    {0x0101010120010101, 0, 0xB7265F7F447AC6F3},
    {0x0101010110010101, 0, 0x9DB73B3C0D163F54},
    {0x0101010108010101, 0, 0x8181B65BABF4A975},
    {0x0101010104010101, 0, 0x93C9B64042EAA240},
    {0x0101010102010101, 0, 0x5570530829705592},
    {0x0101010101800101, 0, 0x8638809E878787A0},
    {0x0101010101400101, 0, 0x41B9A79AF79AC208},
    {0x0101010101200101, 0, 0x7A9BE42F2009A892},
    {0x0101010101100101, 0, 0x29038D56BA6D2745},
    {0x0101010101080101, 0, 0x5495C6ABF1E5DF51},
    {0x0101010101040101, 0, 0xAE13DBD561488933},
    {0x0101010101020101, 0, 0x024D1FFA8904E389},
    {0x0101010101018001, 0, 0xD1399712F99BF02E},
    {0x0101010101014001, 0, 0x14C1D7C1CFFEC79E},
    {0x0101010101012001, 0, 0x1DE5279DAE3BED6F},
    {0x0101010101011001, 0, 0xE941A33F85501303},
    {0x0101010101010801, 0, 0xDA99DBBC9A03F379},
    {0x0101010101010401, 0, 0xB7FC92F91D8E92E9},
    {0x0101010101010201, 0, 0xAE8E5CAA3CA04E85},
    {0x0101010101010180, 0, 0x9CC62DF43B6EED74},
    {0x0101010101010140, 0, 0xD863DBB5C59A91A0},
    {0x0101010101010120, 0, 0xA1AB2190545B91D7},
    {0x0101010101010110, 0, 0x0875041E64C570F7},
    {0x0101010101010108, 0, 0x5A594528BEBEF1CC},
    {0x0101010101010104, 0, 0xFCDB3291DE21F0C0},
    {0x0101010101010102, 0, 0x869EFD7F9F265A09},
};

// Permutation operation: plaintext 0, keys chosen to exercise every bit of P.
const DesVector PERMUTATION_OPERATION[] = {
    {0x1046913489980131, 0, 0x88D55E54F54C97B4},
    {0x1007103489988020, 0, 0x0C0CC00C83EA48FD},
    {0x10071034C8980120, 0, 0x83BC8EF3A6570183},
    {0x1046103489988020, 0, 0xDF725DCAD94EA2E9},
    {0x1086911519190101, 0, 0xE652B53B550BE8B0},
    {0x1086911519580101, 0, 0xAF527120C485CBB0},
    {0x5107B01519580101, 0, 0x0F04CE393DB926D5},
    {0x1007B01519190101, 0, 0xC9F00FFC74079067},
    {0x3107915498080101, 0, 0x7CFD82A593252B4E},
    {0x3107919498080101, 0, 0xCB49A2F9E91363E3},
    {0x10079115B9080140, 0, 0x00B588BE70D23F56},
    {0x3107911598080140, 0, 0x406A9A6AB43399AE},
    {0x1007D01589980101, 0, 0x6CB773611DCA9ADA},
    {0x9107911589980101, 0, 0x67FD21C17DBB5D70},
    {0x9107D01589190101, 0, 0x9592CB4110430787},
    {0x1007D01598980120, 0, 0xA6B7FF68A318DDD3},
    {0x1007940498190101, 0, 0x4D102196C914CA16},
    {0x0107910491190401, 0, 0x2DFA9F4573594965},
    {0x0107910491190101, 0, 0xB46604816C0E0774},
    {0x0107940491190401, 0, 0x6E7E6221A4F34E87},
    {0x19079210981A0101, 0, 0xAA85E74643233199},
    {0x1007911998190801, 0, 0x2E5A19DB4D1962D6},
    {0x10079119981A0801, 0, 0x23A866A809D30894},
    {0x1007921098190101, 0, 0xD812D961F017D320},
    {0x100791159819010B, 0, 0x055605816E58608F},
    {0x1004801598190101, 0, 0xABD88E8B1B7716F1},
    {0x1004801598190102, 0, 0x537AC95BE69DA1E1},
    {0x1004801598190108, 0, 0xAED0F6AE3C25CDD8},
    {0x1002911598100104, 0, 0xB3E35A5EE53E7B8D},
    {0x1002911598190104, 0, 0x61C79C71921A2EF8},
    {0x1002911598100201, 0, 0xE2F5728F0995013C},
    {0x1002911698100101, 0, 0x1AEAC39A61F0A464},
};

// Substitution table: key and plaintext chosen to reach every S-box entry.
const DesVector SUBSTITUTION_TABLE[] = {
    {0x7CA110454A1A6E57, 0x01A1D6D039776742, 0x690F5B0D9A26939B},
    {0x0131D9619DC1376E, 0x5CD54CA83DEF57DA, 0x7A389D10354BD271},
    {0x07A1133E4A0B2686, 0x0248D43806F67172, 0x868EBB51CAB4599A},
    {0x3849674C2602319E, 0x51454B582DDF440A, 0x7178876E01F19B2A},
    {0x04B915BA43FEB5B6, 0x42FD443059577FA2, 0xAF37FB421F8C4095},
    {0x0113B970FD34F2CE, 0x059B5E0851CF143A, 0x86A560F10EC6D85B},
    {0x0170F175468FB5E6, 0x0756D8E0774761D2, 0x0CD3DA020021DC09},
    {0x43297FAD38E373FE, 0x762514B829BF486A, 0xEA676B2CB7DB2B7A},
    {0x07A7137045DA2A16, 0x3BDD119049372802, 0xDFD64A815CAF1A0F},
    {0x04689104C2FD3B2F, 0x26955F6835AF609A, 0x5C513C9C4886C088},
    {0x37D06BB516CB7546, 0x164D5E404F275232, 0x0A2AEEAE3FF4AB77},
    {0x1F08260D1AC2465E, 0x6B056E18759F5CCA, 0xEF1BF03E5DFA575A},
    {0x584023641ABA6176, 0x004BD6EF09176062, 0x88BF0DB6D70DEE56},
    {0x025816164629B007, 0x480D39006EE762F2, 0xA1F9915541020B56},
    {0x49793EBC79B3258F, 0x437540C8698F3CFA, 0x6FBF1CAFCFFD0556},
    {0x4FB05E1515AB73A7, 0x072D43A077075292, 0x2F22E49BAB7CA1AC},
    {0x49E95D6D4CA229BF, 0x02FE55778117F12A, 0x5A6B612CC26CCE4A},
    {0x018310DC409B26D6, 0x1D9D5C5018F728C2, 0x5F4C038ED12B2E41},
    {0x1C587F1C13924FEF, 0x305532286D6F295A, 0x63FAC0D034D9F793},
};

// ---- Helpers

// The published notation's byte order: the most significant byte first.
Bytes bytesOf(std::uint64_t value) {
    Bytes bytes(8);
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (56 - 8 * i));
    return bytes;
}

// A 16-byte key block: the DES key in bytes 0-7, `tail` in bytes 8-15.
Bytes keyBlockOf(std::uint64_t key, std::uint64_t tail = 0) {
    Bytes block = bytesOf(key);
    const Bytes tailBytes = bytesOf(tail);
    block.insert(block.end(), tailBytes.begin(), tailBytes.end());
    return block;
}

Bytes encipher(const Bytes& keyBlock, Bytes data) {
    EXPECT_EQ(encryptBuffer(data.data(), static_cast<std::uint16_t>(data.size()), ALG_DES, keyBlock.data()), 1);
    return data;
}

Bytes decipher(const Bytes& keyBlock, Bytes data) {
    EXPECT_EQ(decryptBuffer(data.data(), static_cast<std::uint16_t>(data.size()), ALG_DES, keyBlock.data()), 1);
    return data;
}

std::string hexOf(std::uint64_t value) { return toHex(bytesOf(value)); }

template <std::size_t count>
void expectEveryVectorBothWays(const DesVector (&table)[count]) {
    for (const DesVector& v : table) {
        const Bytes key = keyBlockOf(v.key);
        EXPECT_EQ(toHex(encipher(key, bytesOf(v.plain))), hexOf(v.cipher)) << "key " << hexOf(v.key);
        EXPECT_EQ(toHex(decipher(key, bytesOf(v.cipher))), hexOf(v.plain)) << "key " << hexOf(v.key);
    }
}

// A table's plaintexts and ciphertexts, each laid end to end as one buffer.
struct TableBuffers {
    Bytes plain;
    Bytes cipher;
};

template <std::size_t count>
TableBuffers wholeTable(const DesVector (&table)[count]) {
    TableBuffers whole;
    for (const DesVector& v : table) {
        const Bytes p = bytesOf(v.plain);
        const Bytes c = bytesOf(v.cipher);
        whole.plain.insert(whole.plain.end(), p.begin(), p.end());
        whole.cipher.insert(whole.cipher.end(), c.begin(), c.end());
    }
    return whole;
}

// ---- The published tables

TEST(DesKnownAnswer, VariablePlaintext) { expectEveryVectorBothWays(VARIABLE_PLAINTEXT); }

// The inverse permutation table is the variable plaintext table read backwards: under
// the weak base key, enciphering a ciphertext of that table gives its one-bit plaintext.
TEST(DesKnownAnswer, InversePermutation) {
    const Bytes key = keyBlockOf(ODD_PARITY_ZERO_KEY);
    for (const DesVector& v : VARIABLE_PLAINTEXT) {
        EXPECT_EQ(toHex(encipher(key, bytesOf(v.cipher))), hexOf(v.plain));
        EXPECT_EQ(toHex(decipher(key, bytesOf(v.plain))), hexOf(v.cipher));
    }
}

TEST(DesKnownAnswer, VariableKey) { expectEveryVectorBothWays(VARIABLE_KEY); }

TEST(DesKnownAnswer, PermutationOperation) { expectEveryVectorBothWays(PERMUTATION_OPERATION); }

TEST(DesKnownAnswer, SubstitutionTable) { expectEveryVectorBothWays(SUBSTITUTION_TABLE); }

// The whole variable plaintext table as one buffer: blocks at every position of a
// multi-block call come out as they do alone.
TEST(DesKnownAnswer, WholeTableInOneCall) {
    const TableBuffers whole = wholeTable(VARIABLE_PLAINTEXT);
    const Bytes key = keyBlockOf(ODD_PARITY_ZERO_KEY);
    EXPECT_EQ(toHex(encipher(key, whole.plain)), toHex(whole.cipher));
    EXPECT_EQ(toHex(decipher(key, whole.cipher)), toHex(whole.plain));
}

// Blocks per call below: a whole batch of the widest instruction set and one block more.
constexpr std::size_t BATCH_TEST_BLOCKS = 513;

Bytes repeated(const Bytes& block, std::size_t times) {
    Bytes out;
    for (std::size_t i = 0; i < times; ++i) out.insert(out.end(), block.begin(), block.end());
    return out;
}

template <std::size_t count>
void expectEveryVectorInWholeBatches(const DesVector (&table)[count], InstructionSet set) {
    for (const DesVector& v : table) {
        const Bytes key = keyBlockOf(v.key);
        const Bytes plain = repeated(bytesOf(v.plain), BATCH_TEST_BLOCKS);
        const Bytes cipher = repeated(bytesOf(v.cipher), BATCH_TEST_BLOCKS);
        EXPECT_TRUE(encipher(key, plain) == cipher) << instructionSetName(set) << " key " << hexOf(v.key);
        EXPECT_TRUE(decipher(key, cipher) == plain) << instructionSetName(set) << " key " << hexOf(v.key);
    }
}

// Every instruction set this processor offers, on calls long enough for its batches: each vector
// repeated over a call, and the variable plaintext table (distinct blocks) eight times over.
TEST(DesKnownAnswer, EveryInstructionSetInWholeBatches) {
    const InstructionSet before = activeInstructionSet();
    for (InstructionSet set : {InstructionSet::Scalar, InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512}) {
        if (forceInstructionSet(set) != set) continue;
        expectEveryVectorInWholeBatches(VARIABLE_PLAINTEXT, set);
        expectEveryVectorInWholeBatches(VARIABLE_KEY, set);
        expectEveryVectorInWholeBatches(PERMUTATION_OPERATION, set);
        expectEveryVectorInWholeBatches(SUBSTITUTION_TABLE, set);
        const TableBuffers whole = wholeTable(VARIABLE_PLAINTEXT);
        const Bytes key = keyBlockOf(ODD_PARITY_ZERO_KEY);
        EXPECT_TRUE(encipher(key, repeated(whole.plain, 8)) == repeated(whole.cipher, 8)) << instructionSetName(set);
        EXPECT_TRUE(decipher(key, repeated(whole.cipher, 8)) == repeated(whole.plain, 8)) << instructionSetName(set);
    }
    forceInstructionSet(before);
}

// The one-block routines give the same answers as the buffer runner.
TEST(DesKnownAnswer, ScheduleAndSingleBlock) {
    for (const DesVector& v : SUBSTITUTION_TABLE) {
        const DesSchedule schedule = desMakeSchedule(bytesOf(v.key).data());
        Bytes block = bytesOf(v.plain);
        desCryptBlock(block.data(), schedule, CIPHER_ENCRYPT);
        EXPECT_EQ(toHex(block), hexOf(v.cipher)) << "key " << hexOf(v.key);
        desCryptBlock(block.data(), schedule, CIPHER_DECRYPT);
        EXPECT_EQ(toHex(block), hexOf(v.plain)) << "key " << hexOf(v.key);
    }
}

// ---- Keys

// The key block of an empty pass phrase: accepted, and a weak key (enciphering twice
// gives the block back).
TEST(DesKeys, AllZeroKeyIsAcceptedAndWeak) {
    const Bytes zeroKey(16, 0);
    EXPECT_EQ(toHex(encipher(zeroKey, bytesOf(0))), "8CA64DE9C1B123A7");
    std::mt19937 generator(11);
    for (int i = 0; i < 50; ++i) {
        const Bytes block = randomBytes(generator, 8);
        const Bytes once = encipher(zeroKey, block);
        EXPECT_NE(toHex(once), toHex(block));
        EXPECT_EQ(toHex(encipher(zeroKey, once)), toHex(block));
    }
}

TEST(DesKeys, ParityBitsAreIgnored) {
    std::mt19937 generator(12);
    const Bytes data = randomBytes(generator, 64);
    EXPECT_EQ(toHex(encipher(keyBlockOf(ODD_PARITY_ZERO_KEY), data)), toHex(encipher(Bytes(16, 0), data)));
    for (int i = 0; i < 50; ++i) {
        const Bytes key = randomBytes(generator, 16);
        Bytes flipped = key;
        for (int b = 0; b < 8; ++b) flipped[b] ^= static_cast<std::uint8_t>(generator() & 1);
        EXPECT_EQ(toHex(encipher(flipped, data)), toHex(encipher(key, data))) << toHex(key);
    }
}

TEST(DesKeys, KeyBytesEightToFifteenAreNotRead) {
    std::mt19937 generator(13);
    const Bytes data = randomBytes(generator, 40);
    for (int i = 0; i < 50; ++i) {
        Bytes key = randomBytes(generator, 16);
        const Bytes expected = encipher(key, data);
        for (int b = 8; b < 16; ++b) key[b] = static_cast<std::uint8_t>(generator());
        EXPECT_EQ(toHex(encipher(key, data)), toHex(expected)) << toHex(key);
        EXPECT_EQ(toHex(decipher(key, expected)), toHex(data)) << toHex(key);
    }
}

// Only 0 deciphers; every other direction value enciphers.
TEST(DesKeys, AnyNonZeroDirectionEnciphers) {
    const Bytes key = keyBlockOf(0x133457799BBCDFF1);
    const Bytes plain = bytesOf(0x0123456789ABCDEF);
    for (std::uint16_t direction : {1, 2, 0x8000, 0xFFFF}) {
        Bytes block = plain;
        EXPECT_EQ(cipherBuffer(block.data(), 8, ALG_DES, key.data(), direction), 1);
        EXPECT_EQ(toHex(block), "85E813540F0AB405") << direction;
    }
}

// ---- Buffers

TEST(DesBuffers, RepeatedBlockGivesRepeatedOutput) {
    const Bytes key = keyBlockOf(0x0123456789ABCDEF);
    const Bytes twice = encipher(key, fromHex("4E6F772069732074 4E6F772069732074"));
    EXPECT_EQ(toHex(twice), "3FA40E8A984D48153FA40E8A984D4815");
}

TEST(DesBuffers, PartialBlockIsRefusedAndLeftAlone) {
    std::mt19937 generator(14);
    const Bytes key = randomBytes(generator, 16);
    const Bytes original = randomBytes(generator, 16);
    for (std::uint16_t length : {1, 7, 12, 15}) {
        Bytes buffer = original;
        EXPECT_EQ(encryptBuffer(buffer.data(), length, ALG_DES, key.data()), 0) << length;
        EXPECT_EQ(decryptBuffer(buffer.data(), length, ALG_DES, key.data()), 0) << length;
        EXPECT_EQ(toHex(buffer), toHex(original)) << length;
    }
}

TEST(DesBuffers, SixteenBytesAreTwoBlocks) {
    std::mt19937 generator(15);
    const Bytes key = randomBytes(generator, 16);
    const Bytes data = randomBytes(generator, 16);
    Bytes buffer = data;
    EXPECT_EQ(encryptBuffer(buffer.data(), 16, ALG_DES, key.data()), 1);
    const Bytes first = encipher(key, Bytes(data.begin(), data.begin() + 8));
    const Bytes second = encipher(key, Bytes(data.begin() + 8, data.end()));
    EXPECT_EQ(toHex(Bytes(buffer.begin(), buffer.begin() + 8)), toHex(first));
    EXPECT_EQ(toHex(Bytes(buffer.begin() + 8, buffer.end())), toHex(second));
}

// Every length up to several blocks (each block alike whatever its position), and a
// full chunk, under many keys: deciphering restores the buffer.
TEST(DesBuffers, RoundTripsEveryLengthAndMatchesBlockByBlock) {
    std::mt19937 generator(16);
    for (int k = 0; k < 40; ++k) {
        const Bytes key = randomBytes(generator, 16);
        for (std::size_t length = 0; length <= 96; length += 8) {
            const Bytes data = randomBytes(generator, length);
            const Bytes enciphered = encipher(key, data);
            for (std::size_t offset = 0; offset < length; offset += 8) {
                const Bytes alone = encipher(key, Bytes(data.begin() + offset, data.begin() + offset + 8));
                EXPECT_EQ(toHex(Bytes(enciphered.begin() + offset, enciphered.begin() + offset + 8)), toHex(alone))
                    << "length " << length << " offset " << offset;
            }
            EXPECT_EQ(toHex(decipher(key, enciphered)), toHex(data)) << "length " << length;
        }
    }
}

TEST(DesBuffers, FullChunkRoundTrips) {
    std::mt19937 generator(17);
    for (int k = 0; k < 4; ++k) {
        const Bytes key = randomBytes(generator, 16);
        const Bytes data = randomBytes(generator, CHUNK_LIMIT);
        const Bytes enciphered = encipher(key, data);
        EXPECT_NE(enciphered, data);
        EXPECT_EQ(toHex(Bytes(enciphered.end() - 8, enciphered.end())),
                  toHex(encipher(key, Bytes(data.end() - 8, data.end()))));
        EXPECT_TRUE(decipher(key, enciphered) == data) << "key " << toHex(key);
    }
}

}  // namespace
}  // namespace kelvane::test
