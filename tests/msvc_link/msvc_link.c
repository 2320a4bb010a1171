/* Linked as an MSVC program (clang --target=*-windows-msvc, lld-link) against the
 * package's lib/<arch>/kelvane.lib, with no C runtime: enciphers a text, deciphers it,
 * frees a wide result without a cast, and prints one line per call. Exit 0 when every
 * call gave what it should. */
#include "kelvane.h"

typedef void* Handle;
__declspec(dllimport) Handle __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(Handle file, const void* data, unsigned long size,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int code);

#define STD_OUTPUT_HANDLE ((unsigned long)-11)

static unsigned long length(const char* text) {
    unsigned long size = 0;
    while (text[size] != 0) ++size;
    return size;
}

static void print(const char* label, const char* text) {
    unsigned long written;
    Handle out = GetStdHandle(STD_OUTPUT_HANDLE);
    WriteFile(out, label, length(label), &written, 0);
    WriteFile(out, text != 0 ? text : "(null)", length(text != 0 ? text : "(null)"), &written, 0);
    WriteFile(out, "\n", 1, &written, 0);
}

static int same(const char* a, const char* b) {
    if (a == 0 || b == 0) return 0;
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

void start(void) {
    static const char text[] = "Install key: 4711";
    char* hex = cryptString(text, "pass phrase");
    char* plain = decryptString(hex, "pass phrase");
    wchar_t* name = ComputerNameW();
    print("cryptString=", hex);
    print("decryptString=", plain);
    print("ComputerNameW=", name != 0 ? "given" : 0);
    int passed = same(plain, text) && name != 0;
    freeString(hex);
    freeString(plain);
    freeString(name); /* a wide result: no cast */
    ExitProcess(passed ? 0 : 1);
}
