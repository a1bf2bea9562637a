#include "engine/parse/page_pass.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "engine/parse/file_types.h"
#include "engine/parse/parser.h"
#include "engine/parse/mirror_naming.h"
#include "engine/model/profile.h"
#include "engine/model/task.h"
#include "engine/support/text_routines.h"
#include "engine/parse/url_model.h"

namespace corvane {

const LinkTagRow kLinkTagRows[13] = {
    {"SCRIPT", "SRC"},  {"LINK", "HREF"},       {"FRAME", "SRC"},    {"A", "HREF"},     {"IMG", "SRC"},
    {"INPUT", "SRC"},   {"META", "URL"},        {"BODY", "BACKGROUND"}, {"BGSOUND", "SRC"}, {"AREA", "HREF"},
    {"APPLET", "CODE"}, {"EMBED", "SRC"},       {"PARAM", "NAME=\"MOVIE\" VALUE"},
};

namespace {

const std::string& FetchedFrom(const TCVQItem& page) { return page.FinalURL.empty() ? page.URL : page.FinalURL; }

// The link's scheme in lower case, '' for a relative link.
std::string LinkScheme(const std::string& link) {
    const std::size_t colon = link.find(':');
    if (colon == std::string::npos || link.find_first_of("/?#") < colon) return std::string();
    return LowerCase(link.substr(0, colon));
}

// A BASE counts only when it leads to the web: a relative one, or one naming http or https. Browsers
// ignore the others (file:, javascript:, data:), and so do we.
bool IsWebBase(const std::string& link) {
    const std::string scheme = LinkScheme(link);
    return scheme.empty() || scheme == "http" || scheme == "https";
}

// Verdicts kept per page pass; past this many distinct links they are dropped and made anew.
constexpr std::size_t kKeptVerdicts = 4096;

struct Edit {
    std::size_t Start;  // 1-based
    std::size_t Length;
    std::string Text;
};

class PageLinkPass {
public:
    PageLinkPass(const std::string& text, const PageParseContext& context, std::string base_href,
                 PageParseOutcome& outcome)
        : text_(text), context_(context), base_href_(std::move(base_href)), outcome_(outcome),
          judged_(text.size() + 1, false) {
        // Links resolve where the page was fetched from; the rewritten ones start where it is stored.
        page_base_dir_ = URLBaseDir(FetchedFrom(*context.Page));
        local_base_dir_ = LocalBaseDir(context.Page->URL);
    }

    void ScanTags(const LinkTagRow& row) {
        TCVParser parser;
        parser.Text = text_;
        parser.BeginTagPass(row.Tag, row.Attribute);
        const std::string attribute = row.Attribute;
        while (!Stopping() && parser.More()) {
            const std::string link = parser.Next();
            if (!Wanted(link) || AlreadyJudged(parser)) continue;
            std::string base = LinkBase(link);
            if (attribute == "CODE") {
                // An applet's classes live under its CODEBASE, read from the same tag.
                TCVParser codebase;
                codebase.Text = text_;
                codebase.BeginTagPass(row.Tag, "CODEBASE");
                codebase.Pos = parser.TagStart;
                const std::string value = codebase.Next();
                if (!value.empty() && codebase.TagStart == parser.TagStart) {
                    base = ResolveURL(value, page_base_dir_);
                    if (base.empty() || base.back() != '/') base += '/';
                }
            }
            const bool keeps_page_level = attribute == "SRC" || attribute == "URL";
            Judge(parser, link, base, parser.GetTagText(), std::string(row.Tag) == "FRAME", keeps_page_level);
        }
    }

    void ScanQuotes(TCVParserMode mode, char quote) {
        TCVParser parser;
        parser.Text = text_;
        parser.BeginQuotePass(mode, quote);
        while (!Stopping() && parser.More()) {
            const std::string link = parser.Next();
            if (!Wanted(link) || AlreadyJudged(parser)) continue;
            Judge(parser, link, LinkBase(link), std::string(), false, false);
        }
    }

    std::string Stitch() {
        std::sort(edits_.begin(), edits_.end(), [](const Edit& a, const Edit& b) { return a.Start < b.Start; });
        std::string out;
        out.reserve(text_.size() + text_.size() / 4);
        std::size_t at = 0;
        for (const Edit& e : edits_) {
            const std::size_t start = e.Start - 1;
            out.append(text_, at, start - at);
            out += e.Text;
            at = start + e.Length;
        }
        out.append(text_, at, std::string::npos);
        return out;
    }

    bool Stopped() const { return stopped_; }

private:
    // A page of a million links would hold a stop for minutes: the flag is asked every few hundred.
    bool Stopping() {
        if (!stopped_ && context_.StopRequested && ++unchecked_ >= kStopCheckLinks) {
            unchecked_ = 0;
            stopped_ = context_.StopRequested();
        }
        return stopped_;
    }

    static bool Wanted(const std::string& link) {
        return !link.empty() && link[0] != '#' && link.find('\'') == std::string::npos &&
               ScanForward(link, "mailto:", -1) == 0;
    }

    // Claims the current value's range; false when a pass before already judged any of it.
    bool AlreadyJudged(const TCVParser& parser) {
        const std::size_t start = parser.ValueStart;
        const std::size_t end = start + parser.CurrentLink.size();
        for (std::size_t i = start; i < end && i < judged_.size(); ++i)
            if (judged_[i]) return true;
        for (std::size_t i = start; i < end && i < judged_.size(); ++i) judged_[i] = true;
        return false;
    }

    std::string LinkBase(const std::string& link) const {
        return !base_href_.empty() && !HasWebProtocol(link) ? base_href_ : page_base_dir_;
    }

    // What a link text comes to on this page, kept for the next occurrence of the same text: a
    // hostile page repeats one string hundreds of thousands of times. Spelling is the queue's, once
    // the link was handed to the queue (its URL stays in the task's URL set from then on).
    struct Verdict {
        std::string URL;
        std::string Type;
        bool Accepted = false;
        bool Queued = false;
        std::string Spelling;
        std::string LocalText;  // a queued link's rewrite: its local name no longer changes
    };

    Verdict& VerdictFor(const std::string& link, const std::string& base, bool keeps_page_level) {
        std::string key = std::to_string(link.size());
        key += ':';
        key += link;
        key += base;
        key += keeps_page_level ? '1' : '0';
        if (const auto known = verdicts_.find(key); known != verdicts_.end()) return known->second;
        if (verdicts_.size() >= kKeptVerdicts) verdicts_.clear();
        const TCVQItem& page = *context_.Page;
        Verdict v;
        v.URL = EncodeUnsafeURLBytes(ResolveLink(link, base));
        v.Type = v.URL.empty() ? std::string() : GetFileType(v.URL);
        const bool is_page = v.Type == kPageType;
        const int level = is_page && keeps_page_level ? page.Level : page.Level + 1;
        v.Accepted = !v.URL.empty() && AcceptLink(context_.Rules, v.URL, context_.StartBaseDir, level, v.Type);
        return verdicts_.emplace(std::move(key), std::move(v)).first->second;
    }

    void Judge(const TCVParser& parser, std::string link, const std::string& base, const std::string& title,
               bool frame, bool keeps_page_level) {
        std::replace(link.begin(), link.end(), '\\', '/');
        Verdict& v = VerdictFor(link, base, keeps_page_level);
        const std::string& url = v.URL;
        const TCVProfile& profile = *context_.Profile;
        bool rewritten = false;
        if (v.Accepted) {
            const std::string queued_url = StripAnchor(url);
            bool added = false;
            if (!v.Queued) {
                v.Spelling = context_.QueueLink ? context_.QueueLink(NewItem(queued_url, v.Type, title, frame), added)
                                                : queued_url;
                v.Queued = context_.QueueLink != nullptr;
            }
            if (profile.ConvertFollowedLinks == 1) {
                // The queued spelling, so that the link and the stored file agree; the anchor stays.
                if (!v.Queued || v.LocalText.empty()) {
                    const std::string text = LocalLinkText(v.Spelling + url.substr(queued_url.size()));
                    if (v.Queued) v.LocalText = text;
                    Replace(parser, text);
                } else {
                    Replace(parser, v.LocalText);
                }
                rewritten = true;
            }
            ++outcome_.LinksFound;
            if (added) ++outcome_.NewLinks;
        } else if (!url.empty() && (profile.ConvertUnfollowedLinks == 2 ||
                                    (profile.ConvertUnfollowedLinks == 1 && IsOnStartSite(url, context_.StartBaseDir)))) {
            Rewrite(parser, url);
            rewritten = true;
        }
        // The BASE tag is gone from the saved page, so a relative link left as it was would point into
        // the capture; it keeps pointing where the BASE sent it.
        if (!rewritten && !url.empty() && !base_href_.empty() && LinkScheme(link).empty() &&
            url != parser.CurrentLink)
            edits_.push_back({parser.ValueStart, parser.CurrentLink.size(), url});
        if (context_.ShowLinkCount) context_.ShowLinkCount(outcome_.LinksFound, outcome_.NewLinks);
    }

    TCVQItem NewItem(const std::string& url, const std::string& type, const std::string& title, bool frame) const {
        const TCVQItem& page = *context_.Page;
        TCVQItem item(page.Task);
        item.Title = title;
        item.Referrer = page.URL;
        item.Frame = frame ? "Y" : "";
        item.Level = page.Level + 1;
        item.Mark = page.Mark;
        item.URL = url;
        item.Type = type;
        if (page.Mark == mkMap && !item.IsPage()) item.Mark = mkSkip;  // a map fetches pages only
        return item;
    }

    void Rewrite(const TCVParser& parser, const std::string& url) { Replace(parser, LocalLinkText(url)); }

    std::string LocalLinkText(const std::string& url) const {
        // A URL whose own name an earlier queued URL holds is stored under the queue's name for it.
        const TCVTask* task = context_.Page->Task;
        const std::string renamed = task != nullptr ? task->RenamedLocalName(StripAnchor(url)) : std::string();
        return PageLinkText(url, local_base_dir_, renamed);
    }

    void Replace(const TCVParser& parser, const std::string& text) {
        if (text != parser.CurrentLink) edits_.push_back({parser.ValueStart, parser.CurrentLink.size(), text});
    }

    const std::string& text_;
    const PageParseContext& context_;
    const std::string base_href_;
    PageParseOutcome& outcome_;
    std::string page_base_dir_;
    std::string local_base_dir_;
    std::vector<bool> judged_;  // by 1-based text position
    std::vector<Edit> edits_;
    std::unordered_map<std::string, Verdict> verdicts_;
    int unchecked_ = 0;
    bool stopped_ = false;
};

}  // namespace

PageParseOutcome ParsePageText(const std::string& page_text, const PageParseContext& context) {
    PageParseOutcome outcome;
    const TCVQItem& page = *context.Page;
    std::string text = page_text;
    if (text.empty()) return outcome;

    // BASE: the tag goes, its link becomes the base of the page's relative links. A BASE naming a
    // document counts by its directory; one that does not lead to the web leaves the page's own URL.
    std::string base_href;
    {
        TCVParser parser;
        parser.Text = text;
        parser.BeginTagPass("BASE", "HREF");
        while (parser.More()) {
            const std::string link = parser.Next();
            if (link.empty()) continue;
            text.erase(parser.TagStart - 1, parser.EndPos - parser.TagStart + 1);
            if (IsWebBase(link)) base_href = URLBaseDir(ResolveURL(link, URLBaseDir(FetchedFrom(page))));
            break;
        }
    }

    outcome.Title = CleanField(ExtractBetweenCI(text, "<TITLE>", "</TITLE>"));

    PageLinkPass pass(text, context, base_href, outcome);
    const auto aggressive = context.Profile->AggressiveParser;
    if (aggressive != 2)
        for (const LinkTagRow& row : kLinkTagRows) pass.ScanTags(row);
    if (aggressive != 0) {
        const auto mode = static_cast<TCVParserMode>(aggressive);
        pass.ScanQuotes(mode, '\'');
        pass.ScanQuotes(mode, '"');
    }
    outcome.Stopped = pass.Stopped();
    if (!outcome.Stopped) outcome.Text = pass.Stitch();
    return outcome;
}

}  // namespace corvane
