#include "msi_action/action_data.h"

#include <cwchar>

namespace kelvane::msi {
namespace {

constexpr wchar_t SEPARATOR = L';';

// One NAME=value pair of the data, as it stands there (its value still escaped).
struct Pair {
    const wchar_t* begin;
    const wchar_t* equals;  // the first '=', or `end` when there is none
    const wchar_t* end;
};

// The end of the pair that starts at `at`: the first ';' that is not doubled, or `end`.
const wchar_t* pairEnd(const wchar_t* at, const wchar_t* end) {
    while (at < end && *at != SEPARATOR) at += 1;
    while (at + 1 < end && at[1] == SEPARATOR) {
        at += 2;
        while (at < end && *at != SEPARATOR) at += 1;
    }
    return at;
}

// Calls `visit` with each non-empty pair of `data`, in order.
template <typename Visit>
void forEachPair(const WideText& data, Visit visit) {
    const wchar_t* at = data.data();
    const wchar_t* const end = at + data.size();
    while (at < end) {
        const wchar_t* last = pairEnd(at, end);
        if (last > at) {
            const wchar_t* equals = at;
            while (equals < last && *equals != L'=') equals += 1;
            visit(Pair{at, equals, last});
        }
        at = last + 1;
    }
}

}  // namespace

bool actionDataWellFormed(const WideText& data) {
    bool wellFormed = true;
    forEachPair(data, [&](const Pair& pair) {
        wellFormed = wellFormed && pair.equals != pair.end && pair.equals > pair.begin;
    });
    return wellFormed;
}

WideText actionDataValue(const WideText& data, const wchar_t* name) {
    const std::size_t nameLength = std::wcslen(name);
    bool found = false;
    Pair match{};
    forEachPair(data, [&](const Pair& pair) {
        if (pair.equals != pair.end && static_cast<std::size_t>(pair.equals - pair.begin) == nameLength &&
            std::wmemcmp(pair.begin, name, nameLength) == 0) {
            match = pair;
            found = true;
        }
    });
    if (!found) return WideText();
    // Unescaped in place: ';;' becomes ';', so the value only shrinks.
    const wchar_t* from = match.equals + 1;
    WideText value(from, static_cast<std::size_t>(match.end - from));
    if (!value.valid()) return value;
    std::size_t kept = 0;
    wchar_t* chars = value.data();
    for (std::size_t i = 0; i < value.size(); ++i) {
        chars[kept++] = chars[i];
        if (chars[i] == SEPARATOR) i += 1;
    }
    value.shorten(kept);
    return value;
}

}  // namespace kelvane::msi
