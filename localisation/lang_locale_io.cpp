// Reading and writing the locale block of a language file.
#include "localisation/code_page.h"
#include "localisation/lang_bytes.h"
#include "localisation/lang_locale.h"

namespace corvane {

namespace {

template <class F>
void ForEachText(TkLocale& l, F f) {
    f(l.CurrencyString);
    f(l.ShortDateFormat);
    f(l.LongDateFormat);
    f(l.TimeAMString);
    f(l.TimePMString);
    f(l.ShortTimeFormat);
    f(l.LongTimeFormat);
    for (auto& s : l.ShortMonthNames) f(s);
    for (auto& s : l.LongMonthNames) f(s);
    for (auto& s : l.ShortDayNames) f(s);
    for (auto& s : l.LongDayNames) f(s);
    for (auto& s : l.EraNames) f(s);
}

char Char(LangByteReader& r) { return static_cast<char>(r.U8()); }

// Encodes and cuts to max bytes, dropping whole UTF-8 characters so a double-byte code page is never
// split in the middle of a character.
std::string Fit(const std::string& utf8, std::size_t max, std::uint8_t charset) {
    std::string text = utf8;
    for (;;) {
        std::string bytes = EncodeCodePage(text, charset);
        if (bytes.size() <= max) return bytes;
        std::size_t cut = text.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
    }
}

}  // namespace

void ReadLocaleBlock(LangByteReader& r, TkLocale& l) {
    l.CurrencyString = r.ShortText();
    l.CurrencyFormat = r.U8();
    l.NegCurrFormat = r.U8();
    l.ThousandSeparator = Char(r);
    l.DecimalSeparator = Char(r);
    l.CurrencyDecimals = r.U8();
    l.DateSeparator = Char(r);
    l.ShortDateFormat = r.ShortText();
    l.LongDateFormat = r.ShortText();
    l.TimeSeparator = Char(r);
    l.TimeAMString = r.ShortText();
    l.TimePMString = r.ShortText();
    l.ShortTimeFormat = r.ShortText();
    l.LongTimeFormat = r.ShortText();
    for (auto& s : l.ShortMonthNames) s = r.ShortText();
    for (auto& s : l.LongMonthNames) s = r.ShortText();
    for (auto& s : l.ShortDayNames) s = r.ShortText();
    for (auto& s : l.LongDayNames) s = r.ShortText();
    for (auto& s : l.EraNames) s = r.ShortText();
    for (auto& v : l.EraYearOffsets) v = r.I32();
    l.TwoDigitYearCenturyWindow = r.U16();
    l.ListSeparator = Char(r);
}

void DecodeLocaleTexts(TkLocale& locale, std::uint8_t charset) {
    ForEachText(locale, [charset](std::string& s) { s = DecodeCodePage(s, charset); });
}

void WriteLocaleBlock(LangByteWriter& w, const TkLocale& l, std::uint8_t charset) {
    namespace m = locale_max;
    auto text = [&](const std::string& s, std::size_t max) { w.ShortText(Fit(s, max, charset)); };
    auto ch = [&](char c) { w.U8(static_cast<std::uint8_t>(c)); };
    text(l.CurrencyString, m::Currency);
    w.U8(l.CurrencyFormat);
    w.U8(l.NegCurrFormat);
    ch(l.ThousandSeparator);
    ch(l.DecimalSeparator);
    w.U8(l.CurrencyDecimals);
    ch(l.DateSeparator);
    text(l.ShortDateFormat, m::ShortDate);
    text(l.LongDateFormat, m::LongDate);
    ch(l.TimeSeparator);
    text(l.TimeAMString, m::AmPm);
    text(l.TimePMString, m::AmPm);
    text(l.ShortTimeFormat, m::TimeFormat);
    text(l.LongTimeFormat, m::TimeFormat);
    for (const auto& s : l.ShortMonthNames) text(s, m::ShortName);
    for (const auto& s : l.LongMonthNames) text(s, m::LongName);
    for (const auto& s : l.ShortDayNames) text(s, m::ShortName);
    for (const auto& s : l.LongDayNames) text(s, m::LongName);
    for (const auto& s : l.EraNames) text(s, m::Era);
    for (auto v : l.EraYearOffsets) w.I32(v);
    w.U16(l.TwoDigitYearCenturyWindow);
    ch(l.ListSeparator);
}

}  // namespace corvane
