/* kelvane: string and file encryption, registry listings and the computer name,
 * for installers and other hosts that load the library and call it by name.
 *
 * Every function uses the C calling convention (cdecl on 32-bit Windows) and is
 * exported under its plain name. Strings are NUL-terminated; narrow ones are in the ANSI
 * code page on Windows and UTF-8 elsewhere. On Windows each export that takes a path or
 * a name has a wide twin (cryptFileW ...) that takes and gives UTF-16. A returned
 * string is a fresh block from the library's private heap: it stays valid until the
 * host passes it to freeString or the library is unloaded, whichever comes first.
 * Nothing else may free it (not free(), not HeapFree, not the host's own allocator).
 * No function throws.
 */
#ifndef KELVANE_H
#define KELVANE_H

#if defined(_WIN32)
#  define KELVANE_CALL __cdecl
#  define KELVANE_API
#elif defined(KELVANE_BUILDING)
#  define KELVANE_CALL
#  define KELVANE_API __attribute__((visibility("default")))
#else
#  define KELVANE_CALL
#  define KELVANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results of cryptFile and decryptFile. */
#define KELVANE_FILE_ENCRYPTED        2  /* cryptFile: enciphered: the file now holds the container */
#define KELVANE_FILE_ALREADY          1  /* cryptFile: already a container: left exactly as it was */
#define KELVANE_FILE_RESTORED         2  /* decryptFile: deciphered: the file holds its contents again */
#define KELVANE_FILE_NOT_CONTAINER    1  /* decryptFile: not a container: left untouched */
#define KELVANE_FILE_CANNOT_READ     -1  /* cannot be read (cryptFile: or passed the test and cannot be written) */
#define KELVANE_FILE_CANNOT_WRITE    -2  /* cryptFile: did not pass the test and cannot be written;
                                           * decryptFile: a container that cannot be written */
#define KELVANE_FILE_WRITE_FAILED    -3  /* writing the new contents failed: the file is as it was */

/* Hex text of `text` enciphered with DES under `passPhrase`; null if either is null,
 * the result would be too large, or memory runs out. */
KELVANE_API char* KELVANE_CALL cryptString(const char* text, const char* passPhrase);

/* The text back from hex made by cryptString; null if either argument is null,
 * the hex text has an odd length, or memory runs out. */
KELVANE_API char* KELVANE_CALL decryptString(const char* hexText, const char* passPhrase);

/* Enciphers the file in place into a container: 2, 1, -1, -2 or -3 as defined above. */
KELVANE_API int KELVANE_CALL cryptFile(const char* filePath);

/* Turns a container made by cryptFile back into its file, in place: 2, 1, -1, -2 or -3 as
 * defined above. A container is a file that passes cryptFile's header test and is 20 bytes
 * plus a whole number of 32-byte blocks long; anything else gives 1 and is not touched.
 * The container does not record the file's size: the zero bytes at the end of the last
 * 32-byte block are removed as fill, so a file that itself ended in zero bytes loses
 * those too (up to 31 of them: a fill is never a whole block). Draws no file key: cryptFile's keys are unaffected. */
KELVANE_API int KELVANE_CALL decryptFile(const char* filePath);

/* Comma-joined subkey names of HKEY_LOCAL_MACHINE\keyPath; null when the key cannot be
 * opened or has no subkeys. */
KELVANE_API char* KELVANE_CALL ReadSubKeys(const char* keyPath);

/* Appends the subkey list of keyPath (or "(null)") to the text file filePath; always 0. */
KELVANE_API int KELVANE_CALL ReadSubKeysInFile(const char* keyPath, const char* filePath);

/* Comma-joined value names of HKLM\SOFTWARE\Microsoft\MSSQLServer\Client\TDS, in the
 * registry's own order (Windows: as the values were added; Wine: sorted by name; a hive
 * file on Linux: as stored), the key's unnamed value skipped and the names after it
 * listed; null when the key cannot be opened or has no named values. */
KELVANE_API char* KELVANE_CALL ReadSubValues(void);

/* Data of value `valueName` of HKLM\keyPath up to its first zero byte: text (REG_SZ,
 * REG_EXPAND_SZ, REG_MULTI_SZ) in the narrow form, any other type (REG_DWORD, REG_BINARY,
 * ...) its bytes exactly as stored; null when the key or value is missing or the data is
 * longer than 512 bytes (text counted in the narrow form: the ANSI code page's bytes on
 * Windows, also for ReadKeyValueW, UTF-8 bytes elsewhere). */
KELVANE_API char* KELVANE_CALL ReadKeyValue(const char* keyPath, const char* valueName);

/* Deletes HKLM\keyPath: 0 when deleted, 1010 for a null or empty path, otherwise the
 * platform's registry status (2: missing; 5: refused, for example a key with subkeys). */
KELVANE_API int KELVANE_CALL RegDeleteKeyNT(const char* keyPath);

/* The computer's name (at most 15 characters); null when the platform cannot give it. */
KELVANE_API char* KELVANE_CALL ComputerName(void);

/* Returns a string result of this library (narrow or wide) to its heap: void* so that a
 * wide result needs no cast (the same ABI as the char* of versions before 0.3.0). Null, a
 * result already freed and a pointer the library never returned are ignored. Results not
 * freed go at unload. */
KELVANE_API void KELVANE_CALL freeString(void* result);

#if defined(_WIN32)
#include <stddef.h> /* wchar_t: a freestanding header, so no C library is needed */

/* The wide twins, Windows only: paths, key paths, value names and results in UTF-16,
 * all the way to the system's W functions, so names outside the ANSI code page work.
 * Each gives what its narrow export gives, with the same failure results; a wide result
 * goes back through freeString too. ReadSubKeysInFileW appends the list in UTF-8.
 * ReadKeyValueW gives data that is not text as one UTF-16 unit per stored byte, of the
 * byte's value (0x99 is U+0099), so each unit's low 8 bits are the stored bytes. */
KELVANE_API int KELVANE_CALL cryptFileW(const wchar_t* filePath);
KELVANE_API int KELVANE_CALL decryptFileW(const wchar_t* filePath);
KELVANE_API wchar_t* KELVANE_CALL ReadSubKeysW(const wchar_t* keyPath);
KELVANE_API int KELVANE_CALL ReadSubKeysInFileW(const wchar_t* keyPath, const wchar_t* filePath);
KELVANE_API wchar_t* KELVANE_CALL ReadSubValuesW(void);
KELVANE_API wchar_t* KELVANE_CALL ReadKeyValueW(const wchar_t* keyPath, const wchar_t* valueName);
KELVANE_API int KELVANE_CALL RegDeleteKeyNTW(const wchar_t* keyPath);
KELVANE_API wchar_t* KELVANE_CALL ComputerNameW(void);
#endif

#ifdef __cplusplus
}
#endif

#endif /* KELVANE_H */
