// libFuzzer target for the field value text routines: besides the sanitizers' checks, properties
// that must hold for any input.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/ValueText.h"

using namespace orvi::valuetext;

namespace {

// Bytes to text: digits, signs, periods, blanks and letters are common; other bytes become
// letters outside ASCII.
std::wstring textOf(const uint8_t* data, size_t size) {
    std::wstring s;
    for (size_t i = 0; i < size; ++i) s += data[i] < 0x80 ? wchar_t(data[i]) : wchar_t(0x4E00 + data[i]);
    return s;
}

void require(bool ok) {
    if (!ok) std::abort();
}

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text = textOf(data, size);
    std::optional<double> n = LenientNumber(text);
    if (n) require(std::isfinite(*n));
    // Blanks never change the number, wherever they are.
    std::wstring squeezed;
    for (wchar_t c : text)
        if (!isBlank(c)) squeezed += c;
    std::optional<double> m = LenientNumber(squeezed);
    require(n.has_value() == m.has_value() && (!n || *n == *m || (std::isnan(*n) && std::isnan(*m))));
    // Whatever follows a number that has stopped does not change it.
    std::optional<double> longer = LenientNumber(text + L"x1");
    require(n.has_value() == longer.has_value() && (!n || *n == *longer));

    std::wstring stripped = WithoutQuotes(text);
    require(stripped.find(L'\'') == std::wstring::npos && stripped.size() <= text.size());

    if (size >= 8) {
        double d;
        static_assert(sizeof d == 8);
        __builtin_memcpy(&d, data, 8);
        long long day = DayNumber(d);
        if (std::fabs(d) < 1e15) require(std::fabs(d - double(day)) < 1.0);
    }
    return 0;
}
