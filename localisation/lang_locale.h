#pragma once
// The locale block of a language file: one field per locale format setting. Texts are UTF-8 in memory;
// the single-character fields keep the file's byte as it is. The maxima are the byte lengths of the
// texts in the file's code page.

#include <array>
#include <cstdint>
#include <string>

namespace corvane {

struct TkLocale {
    std::string CurrencyString;          // max 10
    std::uint8_t CurrencyFormat = 0;
    std::uint8_t NegCurrFormat = 0;
    char ThousandSeparator = ',';
    char DecimalSeparator = '.';
    std::uint8_t CurrencyDecimals = 2;
    char DateSeparator = '/';
    std::string ShortDateFormat;         // max 12
    std::string LongDateFormat;          // max 30
    char TimeSeparator = ':';
    std::string TimeAMString;            // max 6
    std::string TimePMString;            // max 6
    std::string ShortTimeFormat;         // max 20
    std::string LongTimeFormat;          // max 20
    std::array<std::string, 12> ShortMonthNames;  // max 6 each
    std::array<std::string, 12> LongMonthNames;   // max 20 each
    std::array<std::string, 7> ShortDayNames;     // max 6 each
    std::array<std::string, 7> LongDayNames;      // max 20 each
    std::array<std::string, 7> EraNames;          // max 10 each
    std::array<std::int32_t, 7> EraYearOffsets{};
    std::uint16_t TwoDigitYearCenturyWindow = 0;
    char ListSeparator = ',';

    bool operator==(const TkLocale&) const = default;
};

// Maximum byte lengths, in the block's order.
namespace locale_max {
constexpr std::size_t Currency = 10, ShortDate = 12, LongDate = 30, AmPm = 6, TimeFormat = 20,
                      ShortName = 6, LongName = 20, Era = 10;
}

// The current display settings as a locale block (US English names; formats from DisplayFormats()).
TkLocale CaptureCurrentLocale();

// Replaces the display formats (DisplayFormats()) with the block's date and time formats, separators and
// AM/PM texts. Settings the program does not keep (currency, names, eras) are not applied; files keep
// their fixed date format whatever this sets.
void ApplyLocaleToDisplayFormats(const TkLocale& locale);

}  // namespace corvane

namespace corvane {

class LangByteReader;
class LangByteWriter;

// The block in file order. Reading leaves the texts in the file's code page (the character set byte
// comes later in the file); DecodeLocaleTexts turns them into UTF-8 once it is known.
void ReadLocaleBlock(LangByteReader& reader, TkLocale& locale);
void DecodeLocaleTexts(TkLocale& locale, std::uint8_t charset);
// Texts are encoded in the code page and cut to their maxima (at a character boundary).
void WriteLocaleBlock(LangByteWriter& writer, const TkLocale& locale, std::uint8_t charset);

}  // namespace corvane
