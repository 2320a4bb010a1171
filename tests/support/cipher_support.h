// Helpers of the cipher engine's tests: a fixture that starts from the load-time
// subkeyArea, and the round trip every algorithm must pass.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "support/test_support.h"

namespace kelvane::test {

// Starts every test with subkeyArea all zero, whatever ran before.
class FreshSubkeyArea : public ::testing::Test {
protected:
    void SetUp() override;
};

// subkeyArea's current 104 bytes.
Bytes subkeyAreaNow();

// Enciphers and deciphers random buffers of 0 to 6 blocks and of one CHUNK_LIMIT chunk
// under `key`: every call returns 1, every non-empty buffer changes and comes back.
void expectRoundTrips(std::int32_t algorithm, const std::uint8_t* key, std::mt19937& generator);

// A call with a length that is not a whole number of blocks returns 0 and leaves the
// buffer and subkeyArea as they were.
void expectRefusedLength(std::int32_t algorithm, std::uint16_t length);

}  // namespace kelvane::test
