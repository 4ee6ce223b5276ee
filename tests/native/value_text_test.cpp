// Unit tests of the field value text routines, built natively under ASan and UBSan.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "text/ValueText.h"

using namespace orvi::valuetext;

namespace {

int passed = 0, failed = 0;

void expectNumber(std::optional<double> got, std::optional<double> want, const wchar_t* text, int line) {
    bool same = got.has_value() == want.has_value() && (!got || *got == *want);
    if (same) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("  line %d: LenientNumber(\"%ls\"): got %s%g, expected %s%g\n", line, text, got ? "" : "overflow ",
                got ? *got : 0.0, want ? "" : "overflow ", want ? *want : 0.0);
}

void expectTrue(bool ok, const char* what, int line) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("  line %d: check failed: %s\n", line, what);
}

#define EXPECT_NUMBER(text, want) expectNumber(LenientNumber(text), (want), (text), __LINE__)
#define EXPECT(cond) expectTrue((cond), #cond, __LINE__)

constexpr std::optional<double> kOverflow = std::nullopt;

void numbers() {
    EXPECT_NUMBER(L"", 0.0);
    EXPECT_NUMBER(L"abc", 0.0);
    EXPECT_NUMBER(L"5", 5.0);
    EXPECT_NUMBER(L"5.0", 5.0);
    EXPECT_NUMBER(L"  12  ", 12.0);
    EXPECT_NUMBER(L"1 2 3", 123.0);          // blanks inside are skipped
    EXPECT_NUMBER(L"1\t2\n3", 123.0);        // tabs and line feeds too
    EXPECT_NUMBER(L"1\r2", 1.0);             // a carriage return is not a blank
    EXPECT_NUMBER(L"12abc", 12.0);
    EXPECT_NUMBER(L"1.2.3", 1.2);
    EXPECT_NUMBER(L".5", 0.5);
    EXPECT_NUMBER(L"-7.25", -7.25);
    EXPECT_NUMBER(L"+ 7", 7.0);
    EXPECT_NUMBER(L"--7", 0.0);
    EXPECT_NUMBER(L"1,5", 1.0);              // the period is the only decimal separator
    EXPECT_NUMBER(L"1e3", 1000.0);
    EXPECT_NUMBER(L"1D2", 100.0);
    EXPECT_NUMBER(L"2.5E-1", 0.25);
    EXPECT_NUMBER(L"1e", 1.0);
    EXPECT_NUMBER(L"1e+", 1.0);
    EXPECT_NUMBER(L"e5", 0.0);
    EXPECT_NUMBER(L"1e400", kOverflow);
    EXPECT_NUMBER(L"1e-400", 0.0);
    EXPECT_NUMBER(L"1e99999999999", kOverflow);
    EXPECT_NUMBER(L"&HFF", 255.0);
    EXPECT_NUMBER(L"&hff", 255.0);
    EXPECT_NUMBER(L"&HFFFF", -1.0);          // four digits: an Integer
    EXPECT_NUMBER(L"&H8000", -32768.0);
    EXPECT_NUMBER(L"&H10000", 65536.0);      // five digits: a Long
    EXPECT_NUMBER(L"&HFFFFFFFF", -1.0);
    EXPECT_NUMBER(L"&H7FFFFFFF", 2147483647.0);
    EXPECT_NUMBER(L"&H100000000", kOverflow);
    EXPECT_NUMBER(L"&H0000FFFF", -1.0);      // leading zeros are not significant
    EXPECT_NUMBER(L"&HFG", 15.0);
    EXPECT_NUMBER(L"&H", 0.0);
    EXPECT_NUMBER(L" & H 1 0", 16.0);
    EXPECT_NUMBER(L"&O17", 15.0);
    EXPECT_NUMBER(L"&O177777", -1.0);
    EXPECT_NUMBER(L"&O37777777777", -1.0);
    EXPECT_NUMBER(L"&O40000000000", kOverflow);
    EXPECT_NUMBER(L"&O8", 0.0);
    EXPECT_NUMBER(L"&X1", 0.0);
}

void days() {
    EXPECT(DayNumber(46357.0) == 46357);
    EXPECT(DayNumber(46357.99) == 46357);
    EXPECT(DayNumber(-1.25) == -1);   // 29 December 1899, 06:00
    EXPECT(DayNumber(-0.5) == 0);     // 30 December 1899, 12:00
    EXPECT(DayNumber(0.0) == 0);
}

void quotesAndKinds() {
    EXPECT(WithoutQuotes(L"A'B") == L"AB");
    EXPECT(WithoutQuotes(L"''") == L"");
    EXPECT(WithoutQuotes(L"\"x\"") == L"\"x\"");
    for (double t : {104.0, 106.0, 62.0, 56.0, 60.0, 108.0, 59.0, 52.0, 48.0}) EXPECT(KindOfColumn(t) == ColumnKind::Number);
    EXPECT(KindOfColumn(61) == ColumnKind::DateTime);
    for (double t : {0.0, 58.0, 122.0, 127.0, 167.0, 231.0, 56.5}) EXPECT(KindOfColumn(t) == ColumnKind::Other);
}

}  // namespace

int main() {
    numbers();
    days();
    quotesAndKinds();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
