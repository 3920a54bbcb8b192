#pragma once
// The fixed reference data of the zodiac lookup and the rules that work on
// it: which sign a day and month give, what the five result fields show for a
// sign, and how a day the chosen month does not have is moved back.
//
// Months and days are list indexes: month 0 = January .. 11 = December, day
// index = day - 1 (0 .. 30); -1 means nothing is selected.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zodiac {

// Sign indexes: the slot numbers of the sign name table.
enum Sign : int {
    NoSign = 0,
    Capricorn = 1,
    Aquarius,
    Pisces,
    Aries,
    Taurus,
    Gemini,
    Cancer,
    Leo,
    Virgo,
    Libra,
    Scorpio,
    Sagittarius,
};

constexpr int SignCount = 12;
constexpr int StoneCount = 9;
constexpr int TalismanCount = 9;

// The name tables the main window owns. Slot 0 is never filled or read.
using SignNameTable = std::array<std::string, SignCount + 1>;
using StoneNameTable = std::array<std::string, StoneCount + 1>;
using TalismanNameTable = std::array<std::string, TalismanCount + 1>;

// Fill slots 1..N in order; slot 0 is left as it is.
void fillZodiacSignTable(SignNameTable &table);
void fillPreciousStoneTable(StoneNameTable &table);
void fillTalismanTable(TalismanNameTable &table);

// What belongs to a sign besides its name. The glyph is a letter of the
// Wingdings font, where "^" (0x5E) to "i" (0x69) are the symbols of Aries to
// Pisces. Pairs are sign indexes, shown in this order.
struct SignAttributes {
    char glyph;
    std::array<std::int16_t, 4> pairSlots;
    int pairCount;
    int stone;    // index into the stone table
    int talisman; // index into the talisman table

    constexpr std::span<const std::int16_t> pairs() const
    {
        return std::span<const std::int16_t>(pairSlots.data(), std::size_t(pairCount));
    }
};

// One row per sign index; row 0 is unused.
inline constexpr std::array<SignAttributes, SignCount + 1> SignAttributeTable{{
    {'\0', {}, 0, 0, 0},
    /* Capricorn   */ {'g', {Virgo, Pisces}, 2, 1, 1},
    /* Aquarius    */ {'h', {Libra, Pisces, Aries}, 3, 2, 2},
    /* Pisces      */ {'i', {Cancer, Scorpio, Capricorn}, 3, 3, 3},
    /* Aries       */ {'^', {Leo, Sagittarius, Gemini}, 3, 4, 4},
    /* Taurus      */ {'_', {Cancer, Virgo, Capricorn, Pisces}, 4, 5, 5},
    /* Gemini      */ {'`', {Aries, Libra, Aquarius}, 3, 6, 5},
    /* Cancer      */ {'a', {Pisces, Scorpio, Taurus}, 3, 5, 6},
    /* Leo         */ {'b', {Aries, Sagittarius, Libra}, 3, 7, 7},
    /* Virgo       */ {'c', {Taurus, Capricorn, Scorpio}, 3, 3, 6},
    /* Libra       */ {'d', {Aquarius, Gemini, Sagittarius}, 3, 4, 4},
    /* Scorpio     */ {'e', {Cancer, Pisces, Virgo}, 3, 8, 8},
    /* Sagittarius */ {'f', {Aries, Leo, Libra}, 3, 9, 9},
}};

// Put between neighbouring names of the pair text.
inline constexpr char PairSeparator[] = ", ";

// Per month: the last day index that still belongs to the month's first
// sign, then the month's two signs.
struct SignBoundary {
    std::int16_t lastDayOfFirst;
    Sign first;
    Sign second;
};

inline constexpr std::array<SignBoundary, 12> SignBoundaryTable{{
    {18, Capricorn, Aquarius},   // January
    {17, Aquarius, Pisces},      // February
    {19, Pisces, Aries},         // March
    {19, Aries, Taurus},         // April
    {19, Taurus, Gemini},        // May
    {21, Gemini, Cancer},        // June
    {21, Cancer, Leo},           // July
    {21, Leo, Virgo},            // August
    {21, Virgo, Libra},          // September
    {22, Libra, Scorpio},        // October
    {20, Scorpio, Sagittarius},  // November
    {20, Sagittarius, Capricorn} // December
}};

// A month index the boundary table has a row for.
constexpr bool validMonth(std::int16_t monthIndex) { return monthIndex >= 0 && monthIndex <= 11; }

// Whether a day index gives the month's first sign, or its second. The day is
// not checked against the month's length: an index after the boundary gives
// the second sign, and -1 (no day) the first. Exactly one of the two holds.
constexpr bool onFirstSign(const SignBoundary &row, std::int16_t dayIndex) { return dayIndex <= row.lastDayOfFirst; }
constexpr bool onSecondSign(const SignBoundary &row, std::int16_t dayIndex) { return dayIndex >= row.lastDayOfFirst + 1; }

// The sign of a month index and day index, or NoSign (0) when the month index
// is not 0..11.
int signFor(std::int16_t monthIndex, std::int16_t dayIndex);

// The five result fields for a sign: its name, its glyph letter, the names
// of its pairs in order joined by PairSeparator, its stone and its talisman.
struct FieldTexts {
    std::string sign;
    std::string glyph;
    std::string pair;
    std::string stone;
    std::string talisman;
};
FieldTexts fieldTexts(int sign, const SignNameTable &names, const StoneNameTable &stones,
                      const TalismanNameTable &talismans);

// The day index the date lists must move to so that the day exists in the
// month (February up to 29, April, June, September and November up to 30), or
// nothing when the selection may stand. There is no year: February 29 always
// stands. With no month or no day selected nothing moves.
std::optional<std::int16_t> fixedDay(std::int16_t monthIndex, std::int16_t dayIndex);

// The message shown when the lookup runs without a month selected.
std::string failureMessageText();
std::string failureMessageTitle();
constexpr int FailureMessageStyle = 16; // OK button, critical-stop icon

} // namespace zodiac
