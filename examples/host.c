/* A minimal host in C: loads libkelvane.so by path, as an installer loads kelvane.dll,
 * enciphers a string and back, and hands both results back to the library.
 *   cc examples/host.c -ldl && ./a.out build/native/bin/libkelvane.so */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

typedef char* (*StringExport)(const char*, const char*);
typedef void (*FreeExport)(char*);

int main(int argc, char** argv) {
    void* library = dlopen(argc > 1 ? argv[1] : "./libkelvane.so", RTLD_NOW);
    if (library == NULL) {
        fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    StringExport crypt = (StringExport)dlsym(library, "cryptString");
    StringExport decrypt = (StringExport)dlsym(library, "decryptString");
    FreeExport freeString = (FreeExport)dlsym(library, "freeString");
    if (crypt == NULL || decrypt == NULL || freeString == NULL) {
        fprintf(stderr, "not the kelvane library: %s\n", argc > 1 ? argv[1] : "./libkelvane.so");
        dlclose(library);
        return 1;
    }
    const char* text = "licence 4711";
    char* hex = crypt(text, "pass phrase");
    char* back = decrypt(hex, "pass phrase");
    printf("%s\n%s\n", hex ? hex : "(null)", back ? back : "(null)");
    const int same = back != NULL && strcmp(back, text) == 0;
    /* The results live in the library's heap: freeString returns them there (they would
     * otherwise stay until dlclose). Never free() them. */
    freeString(back);
    freeString(hex);
    dlclose(library);
    return same ? 0 : 1;
}
