// Placeholder until the table-driven DES lands.
#include "cipher/des.h"

#include "cipher/algorithms.h"

namespace kelvane {

DesSchedule desMakeSchedule(const std::uint8_t*) { return DesSchedule{}; }
void desCryptBlock(std::uint8_t*, const DesSchedule&, std::uint16_t) {}

void desCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                    std::uint16_t direction) {
    const DesSchedule schedule = desMakeSchedule(key);
    for (std::size_t i = 0; i < blockCount; ++i) desCryptBlock(buffer + 8 * i, schedule, direction);
}

}  // namespace kelvane
