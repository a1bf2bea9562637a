#pragma once
// TCVParser: a forward-only cursor over one page's text that returns link values one at a time,
// either by tag and attribute (every HREF of every A tag) or as quoted strings that look like links.
// It parses nothing into a tree; the caller judges each value and may rewrite it in place.
//
// Positions are 1-based, 0 meaning "none", as the text routines define them. They are sizes, so a
// page of any length is scanned with defined results.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

enum class TCVParserMode : std::uint8_t {
    TagAttribute = 0,   // tag and attribute pairs
    ScriptStrings = 1,  // quoted strings inside script blocks
    AllStrings = 2,     // quoted strings anywhere
};

class TCVParser {
public:
    std::string Text;
    std::string TagName;  // tag mode: the tag to look for; quote modes: the opening quote
    std::string TagEnd;   // tag mode: the text that ends a tag; quote modes: the closing quote
    std::string AttrName; // tag mode: the attribute whose value is wanted
    std::size_t Pos = 1;     // where the next search starts
    std::size_t EndPos = 1;  // end of the current tag or string; 0 once nothing more was found
    std::size_t TagStart = 0;
    std::size_t TagEndPos = 0;
    std::size_t AttrPos = 0;
    std::string CurrentLink;
    std::size_t ValueStart = 0;
    std::size_t ValueEnd = 0;
    TCVParserMode Mode = TCVParserMode::TagAttribute;

    // Starts a pass over Text: tag mode with a tag and attribute (TagEnd ">"), or a quote mode with
    // its quote character for both ends.
    void BeginTagPass(const std::string& tag, const std::string& attribute);
    void BeginQuotePass(TCVParserMode mode, char quote);

    // The next link value, or '' (which is not the end: go on while More()).
    std::string Next();
    bool More() const { return EndPos != 0 && Pos != 0; }

    // Replaces the current value in Text; the scan goes on after the new text.
    void ReplaceLink(const std::string& new_link);

    // Tag mode: the text after the current tag's ">" up to the next "<", cleaned. '' in quote modes.
    std::string GetTagText() const;

    // The steps of Next, public for the worker's and tests' use.
    void FindTag();
    std::string GetAttrLink();
    std::string GetQuotedLink();

private:
    bool InsideScriptBlock(std::size_t position) const;
    void IndexScriptBlocks();

    // Script-block markers of the text as it stood when the quote pass began (positions in that
    // text), and how far later text has moved since through replacements.
    std::vector<std::size_t> script_opens_;
    std::vector<std::size_t> script_closes_;
    std::ptrdiff_t shift_since_pass_start_ = 0;
    bool first_call_ = true;
};

}  // namespace corvane
