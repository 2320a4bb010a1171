/* Linked against the installed library (its import library on Windows): enciphers a
 * string and back, asks for the computer name, and frees every result. Exits with 0
 * when every result is as expected. */
#include <kelvane.h>
#include <stdio.h>
#include <string.h>

/* DES-ECB of the text zero-filled to 32 bytes under the pass phrase's first 8 bytes. */
static const char KNOWN_TEXT[] = "Install key: 4711";
static const char KNOWN_PASS[] = "pass phrase";
static const char KNOWN_HEX[] = "CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8";

/* Longest computer name the library gives. */
#define COMPUTER_NAME_LIMIT 15

static int failures = 0;

static void expectText(const char* what, const char* actual, const char* expected) {
    if (actual != NULL && expected != NULL ? strcmp(actual, expected) == 0 : actual == expected) {
        printf("ok    %s\n", what);
        return;
    }
    printf("FAIL  %s: got %s, expected %s\n", what, actual ? actual : "(null)", expected ? expected : "(null)");
    ++failures;
}

int main(void) {
    char* hex = cryptString(KNOWN_TEXT, KNOWN_PASS);
    expectText("cryptString", hex, KNOWN_HEX);
    char* text = decryptString(hex, KNOWN_PASS);
    expectText("decryptString", text, KNOWN_TEXT);
    freeString(text);
    freeString(hex);
    expectText("cryptString of a null text", cryptString(NULL, KNOWN_PASS), NULL);
    freeString(NULL);

    char* name = ComputerName();
    const size_t length = name != NULL ? strlen(name) : 0;
    if (length == 0 || length > COMPUTER_NAME_LIMIT) {
        printf("FAIL  ComputerName: %s\n", name ? name : "(null)");
        ++failures;
    } else {
        printf("ok    ComputerName: %s\n", name);
    }
    freeString(name);
    return failures == 0 ? 0 : 1;
}
