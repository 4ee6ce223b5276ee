#include "text/ValueText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace orvi::valuetext {

namespace {

bool isBlank(wchar_t c) noexcept {
    return c == L' ' || c == L'\t' || c == L'\n';
}

// Reads the text's characters in order, blanks skipped.
class Reader {
public:
    explicit Reader(std::wstring_view t) : t_(t) { skip(); }
    bool done() const noexcept { return at_ >= t_.size(); }
    wchar_t peek() const noexcept { return done() ? L'\0' : t_[at_]; }
    void next() noexcept {
        ++at_;
        skip();
    }

private:
    void skip() noexcept {
        while (at_ < t_.size() && isBlank(t_[at_])) ++at_;
    }
    std::wstring_view t_;
    size_t at_ = 0;
};

int digitValue(wchar_t c, int base) noexcept {
    int v = -1;
    if (c >= L'0' && c <= L'9') v = c - L'0';
    else if (c >= L'a' && c <= L'f') v = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') v = c - L'A' + 10;
    return v >= 0 && v < base ? v : -1;
}

// Digits after &H or &O. Leading zeros do not count as significant digits.
std::optional<double> radixNumber(Reader& r, int base) {
    const int bitsPerDigit = base == 16 ? 4 : 3;
    uint64_t value = 0;
    int significant = 0;
    for (int d; (d = digitValue(r.peek(), base)) >= 0; r.next()) {
        if (value || d) ++significant;
        if (significant * bitsPerDigit > 33) return std::nullopt;  // far beyond 32 bits
        value = value * uint64_t(base) + uint64_t(d);
    }
    if (value > 0xFFFFFFFFu) return std::nullopt;
    const int shortDigits = base == 16 ? 4 : 6;
    if (significant <= shortDigits && value <= 0xFFFFu) return double(int16_t(uint16_t(value)));
    return double(int32_t(uint32_t(value)));
}

}  // namespace

std::optional<double> LenientNumber(std::wstring_view text) {
    Reader r(text);
    if (r.peek() == L'&') {
        r.next();
        wchar_t kind = r.peek();
        if (kind == L'H' || kind == L'h') {
            r.next();
            return radixNumber(r, 16);
        }
        if (kind == L'O' || kind == L'o') {
            r.next();
            return radixNumber(r, 8);
        }
        return 0.0;
    }
    // Collect the number as plain ASCII and let the C library convert it.
    std::string s;
    if (r.peek() == L'-' || r.peek() == L'+') {
        s += char(r.peek());
        r.next();
    }
    bool digits = false, period = false;
    for (;; r.next()) {
        wchar_t c = r.peek();
        if (c >= L'0' && c <= L'9') {
            s += char(c);
            digits = true;
        } else if (c == L'.' && !period) {
            s += '.';
            period = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    wchar_t e = r.peek();
    if (e == L'E' || e == L'e' || e == L'D' || e == L'd') {
        std::string exponent = "e";
        r.next();
        if (r.peek() == L'-' || r.peek() == L'+') {
            exponent += char(r.peek());
            r.next();
        }
        bool expDigits = false;
        for (; r.peek() >= L'0' && r.peek() <= L'9'; r.next()) {
            // Exponents beyond any Double are all the same overflow (or underflow to 0).
            if (exponent.size() < 8) exponent += char(r.peek());
            expDigits = true;
        }
        if (expDigits) s += exponent;
    }
    double value = std::strtod(s.c_str(), nullptr);
    if (std::isinf(value)) return std::nullopt;
    return value;
}

long long DayNumber(double oleDate) noexcept {
    if (!(std::fabs(oleDate) < 1e15)) return 0;  // not a date the platform makes
    return static_cast<long long>(std::trunc(oleDate));
}

std::wstring WithoutQuotes(std::wstring_view text) {
    std::wstring r;
    r.reserve(text.size());
    for (wchar_t c : text)
        if (c != L'\'') r += c;
    return r;
}

ColumnKind KindOfColumn(double xtype) noexcept {
    for (double code : {104.0, 106.0, 62.0, 56.0, 60.0, 108.0, 59.0, 52.0, 48.0})
        if (xtype == code) return ColumnKind::Number;
    return xtype == 61.0 ? ColumnKind::DateTime : ColumnKind::Other;
}

}  // namespace orvi::valuetext
