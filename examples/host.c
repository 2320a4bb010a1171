/* A minimal host in C: loads libkelvane.so by path, as an installer loads kelvane.dll,
 * and enciphers a string and back.  cc examples/host.c -ldl && ./a.out build/native/bin/libkelvane.so */
#include <dlfcn.h>
#include <stdio.h>

typedef char* (*StringExport)(const char*, const char*);

int main(int argc, char** argv) {
    void* library = dlopen(argc > 1 ? argv[1] : "./libkelvane.so", RTLD_NOW);
    if (library == NULL) {
        fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    StringExport crypt = (StringExport)dlsym(library, "cryptString");
    StringExport decrypt = (StringExport)dlsym(library, "decryptString");
    char* hex = crypt("licence 4711", "pass phrase");
    printf("%s\n%s\n", hex, decrypt(hex, "pass phrase"));
    /* The strings belong to the library: valid until dlclose, never freed by the host. */
    dlclose(library);
    return 0;
}
