// subkeyArea: the engine's one piece of state that outlives a call. It holds the
// schedule of the last IDEA call that passed the length test (all zero until then),
// 52 words stored least significant byte first, and serves the wide block as key
// material read byte by byte.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cipher/idea.h"

namespace kelvane {

// Bytes in the area: 52 words of two bytes.
constexpr std::size_t SUBKEY_AREA_BYTES = 2 * IDEA_SUBKEYS;

// The area as it stands now.
const std::uint8_t* subkeyAreaBytes();
// Overwrites the whole area with a schedule.
void storeSubkeyArea(const IdeaSchedule& schedule);
// Back to the load-time zeros; tests only, since the area is module-wide and tests
// must not depend on the order in which they run.
void resetSubkeyArea();

}  // namespace kelvane
