// String encryption to hex text and back, DES under a pass phrase.
#pragma once

namespace kelvane {

// Hex text (a ModuleString) of the enciphered text, or null.
char* cryptString(const char* text, const char* passPhrase);
// The deciphered bytes and a NUL (a ModuleString), or null.
char* decryptString(const char* hexText, const char* passPhrase);

}  // namespace kelvane
