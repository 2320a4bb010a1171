#include "crypt/key_block.h"

namespace kelvane {

KeyBlock makeKeyBlock(const char* passPhrase) {
    KeyBlock key{};
    for (unsigned i = 0; i < KEY_BLOCK_SIZE && passPhrase[i] != '\0'; ++i) {
        key.bytes[i] = static_cast<std::uint8_t>(passPhrase[i]);
    }
    return key;
}

}  // namespace kelvane
