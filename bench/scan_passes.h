#pragma once
// Every pass the parse worker makes over a page (each row of the tag table, then both quote passes
// in the script-strings mode), links counted only: the scanner's own share of a page's parse.

#include <cstddef>
#include <string>

#include "engine/parse/page_pass.h"
#include "engine/parse/parser.h"

namespace corvane::bench {

inline std::size_t ScanAllPasses(const std::string& page) {
    std::size_t links = 0;
    for (const auto& row : kLinkTagRows) {
        TCVParser parser;
        parser.Text = page;
        parser.BeginTagPass(row.Tag, row.Attribute);
        while (parser.More()) links += parser.Next().empty() ? 0 : 1;
    }
    for (const char quote : {'\'', '"'}) {
        TCVParser parser;
        parser.Text = page;
        parser.BeginQuotePass(TCVParserMode::ScriptStrings, quote);
        while (parser.More()) links += parser.Next().empty() ? 0 : 1;
    }
    return links;
}

}  // namespace corvane::bench
