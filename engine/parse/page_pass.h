#pragma once
// The work of parsing one saved page, free of threads: finds the BASE and TITLE, runs the link
// passes (the tag and attribute table, then the quoted strings as the profile asks), judges every
// link, hands the accepted ones to the queue and rewrites links as the conversion settings ask.
//
// Every pass reads the page as it was loaded (less its BASE tag), and each occurrence of a link
// (each range of the text) is judged once: the "A" row also finds AREA tags and the quote passes
// find values the tag passes already had. The rewrites are applied in one go at the end, so a
// rewritten value is never read again as a link of its own.

#include <functional>
#include <string>

#include "engine/parse/link_acceptance.h"
#include "engine/queue/queue_item.h"

namespace corvane {

class TCVProfile;

struct PageParseContext {
    const TCVQItem* Page = nullptr;      // the page's item: URL, Level, Mark
    const TCVProfile* Profile = nullptr;
    LinkRules Rules;                     // the profile's and task's rules
    std::string StartBaseDir;            // URLBaseDir of the task's start URL

    // Queues a link found in the page unless its URL is queued already (one atomic step). Returns
    // the URL as it stands in the queue (an earlier spelling may differ in letter case) and sets
    // added when the item went in. Asked once for each distinct link text of a page: later
    // occurrences are known to be queued.
    std::function<std::string(const TCVQItem& item, bool& added)> QueueLink;
    // Progress after each judged link (called per link: the caller decides how often to show it).
    std::function<void(int links_found, int new_links)> ShowLinkCount;
    // Asked every kStopCheckLinks links: true ends the parse, the outcome marked Stopped.
    std::function<bool()> StopRequested;
};

// A stop waits for at most this many more links of the page being parsed.
inline constexpr int kStopCheckLinks = 256;

struct PageParseOutcome {
    std::string Text;   // the page to save
    std::string Title;  // the TITLE text, '' when the page has none
    int LinksFound = 0;
    int NewLinks = 0;
    bool Stopped = false;  // a stop ended the parse: Text is not to be saved
};

// The tag and attribute rows, scanned in this order.
struct LinkTagRow {
    const char* Tag;
    const char* Attribute;
};
extern const LinkTagRow kLinkTagRows[13];

PageParseOutcome ParsePageText(const std::string& page_text, const PageParseContext& context);

}  // namespace corvane
