// Bit-sliced DES (Biham 1997) for batches of blocks under one key: bit j of every block
// of a batch is gathered into one vector, the slice j, so that the S-boxes run as Boolean
// circuits over whole vectors and the permutations become renaming. One batch is 64
// vectors: 128 blocks with SSE2, 256 with AVX2, 512 with AVX-512.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cipher/des.h"

namespace kelvane {

// The round keys of `schedule` as slice masks, in the order `direction` applies them.
DesSliceKeys desSliceKeys(const DesSchedule& schedule, std::uint16_t direction);

// Runs as many of the `blockCount` blocks from `in` to `out` (the same buffer, or two
// that do not overlap) as the active kernels take (whole batches, and the rest padded to
// a batch when that is the cheaper way) and returns how many it ran: the first ones. 0
// without vector kernels or for short calls.
std::size_t desSlicedCrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blockCount,
                           const DesSliceKeys& keys);

}  // namespace kelvane
