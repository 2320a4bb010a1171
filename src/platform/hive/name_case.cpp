#include "platform/hive/name_case.h"

#include <locale.h>
#include <wctype.h>

#include "platform/linux/utf8.h"

namespace kelvane::platform {
namespace {

// Last code point that one UTF-16 unit holds.
constexpr char32_t LAST_SINGLE_UNIT = 0xFFFF;

// The locale whose case table upperCaseAsWindows reads; made once, kept until unload,
// and (locale_t)0 where the C library has no C.UTF-8.
class CaseLocale {
public:
    CaseLocale() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {}
    ~CaseLocale() {
        if (locale_ != static_cast<locale_t>(0)) freelocale(locale_);
    }
    locale_t get() const { return locale_; }

private:
    locale_t locale_;
};

locale_t caseLocale() {
    static const CaseLocale locale;
    return locale.get();
}

char32_t upperAscii(char32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

void appendUnits(std::u16string& units, char32_t c) {
    if (c <= LAST_SINGLE_UNIT) {
        units += static_cast<char16_t>(c);
    } else {
        units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
}

}  // namespace

char32_t upperCaseAsWindows(char32_t c) {
    if (c > LAST_SINGLE_UNIT || isUndecodableMark(c)) return c;
    const locale_t locale = caseLocale();
    // Without C.UTF-8 only the ASCII letters can be folded safely.
    if (locale == static_cast<locale_t>(0)) return upperAscii(c);
    const auto upper = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale));
    // Windows' table maps one unit to one unit; a mapping that left the plane cannot be its.
    return upper <= LAST_SINGLE_UNIT ? upper : c;
}

std::u16string foldedName(std::string_view name) {
    std::u16string units;
    units.reserve(name.size());
    for (char32_t c : decodeUtf8(name)) appendUnits(units, upperCaseAsWindows(c));
    return units;
}

bool precedesInKeyOrder(std::string_view a, std::string_view b) { return foldedName(a) < foldedName(b); }

}  // namespace kelvane::platform
