#pragma once
// An offline link checker for captured sites: every link in every saved page that points into the
// capture folder must name an existing file there. Links with a scheme ("http://...", "mailto:")
// point elsewhere and are not checked; a relative link that climbs out of the folder is reported.
// A page or link target whose path is too long for the system to open (PATH_MAX bytes and more),
// and a page that cannot be read, is listed as unchecked and the check goes on.

#include <string>
#include <vector>

namespace corvane::testing {

struct BrokenLink {
    std::string Page;    // the saved page, relative to the capture folder
    std::string Link;    // the link as written in the page
    std::string Target;  // the local path it leads to ("" when it leaves the folder)
};

struct LinkCheckReport {
    int PagesChecked = 0;
    int LinksChecked = 0;
    std::vector<BrokenLink> Broken;
    std::vector<std::string> Unchecked;  // relative to the capture folder
};

LinkCheckReport CheckCapturedLinks(const std::string& capture_folder);

// Every regular file under the folder, as paths relative to it, sorted. What is too long to look at
// goes to unchecked (when given) and is not entered.
std::vector<std::string> ListCapturedFiles(const std::string& capture_folder,
                                           std::vector<std::string>* unchecked = nullptr);

}  // namespace corvane::testing
