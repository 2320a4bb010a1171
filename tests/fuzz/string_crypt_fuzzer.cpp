// cryptString and decryptString on arbitrary text, hex text and pass phrases.
//
// Input: one byte gives the pass phrase's length (0-31), then the pass phrase, then the
// text. Both are C strings, so each is what precedes its first NUL.
//
// What must hold:
// - decryptString on the text as hex (any characters, non-hex digits included) never
//   crashes; for an even length it gives a string whose terminating NUL sits at
//   length / 2 (its C-string length may be shorter: deciphered bytes can be zero); for
//   an odd length it gives null.
// - cryptString gives uppercase hex of 2 * P characters, P being the text's length
//   rounded up to a multiple of 32.
// - decryptString of that hex gives back all P bytes: the text's bytes, then the zeros
//   of the fill. So the round trip returns the text as a C string exactly; a NUL inside
//   the caller's bytes ends the text before cryptString sees the rest, which is why the
//   text is compared up to its first NUL.
#include <algorithm>
#include <cstring>

#include "fuzz_support.h"
#include "kelvane.h"

using namespace kelvane::fuzz;

namespace {

// Characters of a pass phrase at most; the key uses its first 16 (DES the first 8).
constexpr std::size_t MAX_PASS_PHRASE = 31;
// The zero-fill rule: texts are enciphered in whole 32-byte units.
constexpr std::size_t FILL_UNIT = 32;

bool isUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

void checkDecryptArbitrary(const std::string& hexText, const std::string& passPhrase) {
    char* plain = decryptString(hexText.c_str(), passPhrase.c_str());
    if (hexText.size() % 2 != 0) {
        FUZZ_CHECK(plain == nullptr, "odd hex length " + std::to_string(hexText.size()));
        return;
    }
    FUZZ_CHECK(plain != nullptr, "hex of " + std::to_string(hexText.size()) + " characters");
    FUZZ_CHECK(plain[hexText.size() / 2] == '\0', "no NUL after the decoded bytes");
    freeString(plain);
}

void checkRoundTrip(const std::string& text, const std::string& passPhrase) {
    char* hex = cryptString(text.c_str(), passPhrase.c_str());
    FUZZ_CHECK(hex != nullptr, "text of " + std::to_string(text.size()) + " bytes");
    const std::size_t padded = (text.size() + FILL_UNIT - 1) / FILL_UNIT * FILL_UNIT;
    const std::size_t hexLength = std::strlen(hex);
    FUZZ_CHECK(hexLength == 2 * padded, "hex length " + std::to_string(hexLength) + " for " +
                                            std::to_string(text.size()) + " bytes");
    for (std::size_t i = 0; i < hexLength; ++i) FUZZ_CHECK(isUpperHex(hex[i]), std::string("hex ") + hex);

    char* back = decryptString(hex, passPhrase.c_str());
    FUZZ_CHECK(back != nullptr, std::string("hex ") + hex);
    Bytes expected(text.begin(), text.end());
    expected.resize(padded, 0);
    const auto* got = reinterpret_cast<const std::uint8_t*>(back);
    FUZZ_CHECK(std::equal(got, got + padded, expected.begin()) && back[padded] == '\0',
               "round trip\n  got  " + toHex(got, padded) + "\n  want " + toHex(expected));
    FUZZ_CHECK(text == back, "round trip as a C string");
    freeString(back);
    freeString(hex);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startLibrary();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputReader input(data, size);
    const std::string passPhrase = cString(input.take(input.byte() % (MAX_PASS_PHRASE + 1)));
    const std::string text = cString(input.rest());
    checkDecryptArbitrary(text, passPhrase);
    checkRoundTrip(text, passPhrase);
    return 0;
}
