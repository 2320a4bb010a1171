/* A minimal host in C: loads the library at run time by path, as an installer loads
 * kelvane.dll, enciphers a string and back, and hands both results back to the library.
 * The same source builds for Linux and for Windows:
 *   cc examples/host.c -ldl -o host && ./host build/native/bin/libkelvane.so
 *   i686-w64-mingw32-gcc-posix examples/host.c -o host.exe     (run with kelvane.dll beside it)
 * Without an argument it loads ./libkelvane.so, or kelvane.dll on Windows. */
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#define LIBRARY_FILE "kelvane.dll"
#define openLibrary(path) LoadLibraryA(path)
#define findExport(library, name) (void*)GetProcAddress(library, name)
#define closeLibrary(library) FreeLibrary(library)
typedef HMODULE Library;
#else
#include <dlfcn.h>
/* dlopen searches the current folder only for a name with a slash in it. */
#define LIBRARY_FILE "./libkelvane.so"
#define openLibrary(path) dlopen(path, RTLD_NOW)
#define findExport(library, name) dlsym(library, name)
#define closeLibrary(library) dlclose(library)
#define __cdecl /* the one calling convention there */
typedef void* Library;
#endif

typedef char* (__cdecl *TextExport)(const char*, const char*);
typedef void (__cdecl *FreeExport)(char*);

int main(int argc, char** argv) {
    Library kelvane = openLibrary(argc > 1 ? argv[1] : LIBRARY_FILE);
    if (kelvane == NULL) return 1;
    TextExport cryptString = (TextExport)findExport(kelvane, "cryptString");
    TextExport decryptString = (TextExport)findExport(kelvane, "decryptString");
    FreeExport freeString = (FreeExport)findExport(kelvane, "freeString");
    if (cryptString == NULL || decryptString == NULL || freeString == NULL) return 1;

    char* hex = cryptString("licence 4711", "pass phrase");
    char* text = decryptString(hex, "pass phrase");
    printf("%s\n%s\n", hex ? hex : "(null)", text ? text : "(null)");
    const int same = text != NULL && strcmp(text, "licence 4711") == 0;
    freeString(text);   /* or leave them: closing the library takes every result with it */
    freeString(hex);    /* never free(): they live in the library's own heap */
    closeLibrary(kelvane);
    return same ? 0 : 1;
}
