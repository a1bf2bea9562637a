#include "engine/run/run_rules.h"

#include "engine/model/task.h"
#include "engine/parse/url_model.h"

namespace corvane {

std::shared_ptr<const TCVRunRules> TCVRunRules::Of(const TCVTask& task) {
    auto rules = std::make_shared<TCVRunRules>();
    rules->Profile = task.Profile;
    rules->URL = task.URL;
    rules->StartBaseDir = URLBaseDir(task.URL);
    rules->IntranetMode = task.IntranetMode;
    rules->Folder = task.GetFolder();
    rules->ExcludeURLs = task.ExcludeURLs;
    rules->IncludeURLs = task.IncludeURLs;
    return rules;
}

LinkRules TCVRunRules::Links() const {
    LinkRules links;
    links.FileTypes = &Profile.FileTypes;
    links.Depth = Profile.Depth;
    links.PageLocation = Profile.PageLocation;
    links.ResourceLocation = Profile.ResourceLocation;
    links.FiltersExclude = &Profile.URLFiltersExclude;
    links.FiltersInclude = &Profile.URLFiltersInclude;
    links.TaskExclude = &ExcludeURLs;
    links.TaskInclude = &IncludeURLs;
    return links;
}

}  // namespace corvane
