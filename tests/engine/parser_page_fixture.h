#pragma once
// One page of http://site.com/docs/ parsed with a site-wide profile; the queue is a plain list.

#include <string>
#include <vector>

#include "engine/parse/page_pass.h"
#include "engine/model/profile.h"
#include "platform/rtl/string_list.h"
#include "tests/engine/task_fixture.h"

namespace corvane::testing {

class ParserPage : public FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        ASSERT_TRUE(store_->ImportFile(std::string(CORVANE_SOURCE_RESOURCES) + "/FTypes.reg").Ok);
        profile_.Depth = -1;
        profile_.PageLocation = lcSite;
        profile_.ResourceLocation = lcAnywhere;
        profile_.AggressiveParser = 0;
        profile_.ConvertFollowedLinks = 1;
        profile_.ConvertUnfollowedLinks = 1;
        page_.URL = "http://site.com/docs/index.htm";
        page_.Type = "HTML";
        page_.Level = 0;
        page_.Mark = mkFetch;
    }

    PageParseContext Context() {
        PageParseContext c;
        c.Page = &page_;
        c.Profile = &profile_;
        c.Rules.FileTypes = &profile_.FileTypes;
        c.Rules.Depth = profile_.Depth;
        c.Rules.PageLocation = profile_.PageLocation;
        c.Rules.ResourceLocation = profile_.ResourceLocation;
        c.Rules.FiltersExclude = &profile_.URLFiltersExclude;
        c.Rules.FiltersInclude = &profile_.URLFiltersInclude;
        c.StartBaseDir = "http://site.com/docs/";
        c.QueueLink = [this](const TCVQItem& item, bool& added) {
            for (const auto& q : queued_) {
                if (SameText(q.URL, item.URL)) {
                    added = false;
                    return q.URL;
                }
            }
            queued_.push_back(item);
            added = true;
            return item.URL;
        };
        return c;
    }

    PageParseOutcome Parse(const std::string& text) { return ParsePageText(text, Context()); }

    std::vector<std::string> QueuedURLs() const {
        std::vector<std::string> urls;
        for (const auto& q : queued_) urls.push_back(q.URL);
        return urls;
    }

    TCVProfile profile_;
    TCVQItem page_;
    std::vector<TCVQItem> queued_;
};

}  // namespace corvane::testing
