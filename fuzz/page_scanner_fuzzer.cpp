// Random pages through the link scanner (every pass, with rewrites that grow and shrink the text)
// and through the page parser. A scan that does not end within a bound of the text's size is a bug.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/parse/parser.h"
#include "engine/parse/page_pass.h"
#include "engine/model/profile.h"

using namespace corvane;

namespace {

void Scan(TCVParser& parser, std::size_t bound) {
    std::size_t calls = 0;
    while (parser.More()) {
        if (++calls > bound) std::abort();
        const std::string link = parser.Next();
        if (link.empty()) continue;
        parser.ReplaceLink(calls % 2 ? link + "/longer" : link.substr(0, link.size() / 2));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t bound = 16 * size + 16;
    for (const LinkTagRow& row : kLinkTagRows) {
        TCVParser parser;
        parser.Text = text;
        parser.BeginTagPass(row.Tag, row.Attribute);
        Scan(parser, bound);
    }
    for (const auto mode : {TCVParserMode::ScriptStrings, TCVParserMode::AllStrings}) {
        for (const char quote : {'\'', '"'}) {
            TCVParser parser;
            parser.Text = text;
            parser.BeginQuotePass(mode, quote);
            Scan(parser, bound);
        }
    }

    static TCVProfile profile = [] {
        TCVProfile p;
        p.Depth = -1;
        p.PageLocation = lcSite;
        p.ResourceLocation = lcAnywhere;
        p.ConvertFollowedLinks = 1;
        p.ConvertUnfollowedLinks = 2;
        return p;
    }();
    TCVQItem page;
    page.URL = "http://site.com/dir/page";
    page.Type = "HTML";
    for (const std::uint8_t aggressive : {0, 1, 2}) {
        profile.AggressiveParser = aggressive;
        PageParseContext context;
        context.Page = &page;
        context.Profile = &profile;
        context.StartBaseDir = "http://site.com/dir/";
        context.QueueLink = [](const TCVQItem& item, bool& added) {
            added = true;
            return item.URL;
        };
        ParsePageText(text, context);
    }
    return 0;
}
