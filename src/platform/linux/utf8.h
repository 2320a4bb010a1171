// UTF-8, the narrow form of names and text on this side.
#pragma once
#include <string>
#include <string_view>

namespace kelvane::platform {

// Base of the marks that stand for bytes that are not valid UTF-8: the byte b comes out
// as UNDECODABLE_BASE + b (0xDC80 to 0xDCFF, lone surrogates that no valid UTF-8 holds),
// so such a name still equals itself and nothing else.
constexpr char32_t UNDECODABLE_BASE = 0xDC00;

// The code points of `text`; overlong forms, surrogates and values past U+10FFFF are not
// valid UTF-8, and each of their bytes comes out as a mark.
std::u32string decodeUtf8(std::string_view text);

// True for the marks that decodeUtf8 gives for undecodable bytes.
inline bool isUndecodableMark(char32_t c) { return c >= UNDECODABLE_BASE + 0x80 && c <= UNDECODABLE_BASE + 0xFF; }

// Appends the UTF-8 form of the character `c`.
void appendUtf8(std::string& text, char32_t c);

}  // namespace kelvane::platform
