// The module-wide subkeyArea, kept as bytes so that its byte order is fixed.
#include "cipher/subkey_area.h"

#include <cstring>

#include "cipher/byte_order.h"

namespace kelvane {

namespace {

// Zero at load; written only by storeSubkeyArea (and the tests' reset).
std::uint8_t subkeyArea[SUBKEY_AREA_BYTES];

}  // namespace

const std::uint8_t* subkeyAreaBytes() { return subkeyArea; }

void storeSubkeyArea(const IdeaSchedule& schedule) {
    for (std::size_t i = 0; i < IDEA_SUBKEYS; ++i) {
        storeLe16(subkeyArea + 2 * i, schedule.subkeys[i]);
    }
}

void resetSubkeyArea() { std::memset(subkeyArea, 0, sizeof subkeyArea); }

}  // namespace kelvane
