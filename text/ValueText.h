// Text routines of field value writes, over standard strings only: the lenient number reader
// that compares numeric values, the calendar day of a date, and quote stripping. Nothing here
// touches COM, so the same code is built natively for sanitizer runs and fuzzing.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace orvi::valuetext {

// The number at the start of a text, read the lenient way of VB's Val:
//  - blanks, tabs and line feeds are skipped wherever they are, also between digits;
//  - a decimal number has an optional sign, digits with one optional period (the decimal
//    separator whatever the locale) and an optional exponent (E or D, optional sign, digits);
//  - "&H" and "&O" (any letter case) start a hexadecimal or octal number; up to 4 significant
//    hexadecimal (6 octal) digits are a 16-bit Integer and up to 8 (11 octal, at most
//    &O37777777777) a 32-bit Long, both in two's complement (&HFFFF is -1);
//  - reading stops at the first character that cannot continue the number; no number gives 0.
// Empty when the number does not fit (a decimal beyond the Double range, a hexadecimal or octal
// number beyond 32 bits): the caller's overflow.
std::optional<double> LenientNumber(std::wstring_view text);

// The calendar day of an automation date (days since 30 December 1899; the fraction is the time
// of day, measured from midnight of that day also before 1899): its whole part.
long long DayNumber(double oleDate) noexcept;

// The text with every single quote (') removed.
std::wstring WithoutQuotes(std::wstring_view text);

// How a field's column type (SQL Server xtype) compares values.
enum class ColumnKind {
    Number,    // 104 bit, 106 decimal, 62 float, 56 int, 60 money, 108 numeric, 59 real, 52 smallint, 48 tinyint
    DateTime,  // 61 datetime
    Other      // every other type, text types among them
};
ColumnKind KindOfColumn(double xtype) noexcept;

}  // namespace orvi::valuetext
