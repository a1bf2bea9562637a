#include "app/about_page.h"

#include <filesystem>

#include "app/product_version.h"
#include "corvane_build_info.h"
#include "engine/support/file_routines.h"
#include "engine/model/settings.h"
#include "engine/model/version.h"
#include "localisation/app_language.h"
#include "localisation/message_ids.h"
#include "platform/rtl/paths.h"
#include "tasks/report/report_html.h"

namespace corvane {
namespace {

struct Credit {
    const char* Library;
    const char* Use;
    const char* Licence;
};

// Every library the program itself links, with the licence it is used under.
constexpr Credit kCredits[] = {
    {"Qt 6 (Core, Gui, Widgets, Network)", "windows, dialogs and the message loop",
     "GNU Lesser General Public License 3.0"},
    {"Qt Charts", "the download chart of the status view", "GNU General Public License 3.0"},
    {"Qt WebEngine, with Chromium", "the browser view",
     "GNU Lesser General Public License 3.0; Chromium: BSD 3-Clause and the licences of its parts"},
    {"libcurl", "HTTP and HTTPS transfers", "curl License (MIT/X style)"},
    {"OpenSSL", "HTTPS", "Apache License 2.0"},
    {"libzip", "zip archives", "BSD 3-Clause License"},
    {"zlib", "compression inside zip archives", "zlib License"},
};

}  // namespace

TAboutInfo CurrentAboutInfo() {
    TAboutInfo info;
    info.ProductName = kProductName;
    info.Version = ProductReleaseText();  // as the window caption shows it
    info.Build = std::string("Build ") + kBuildNumber;
    info.BuildDate = kBuildDate;
    // Always the Default skin's logo: a skin may leave it out, the About page never does.
    info.LogoFile = (App ? App->DefaultSkinDir : WithTrailingSlash(ResourcesDir()) + "Skins/Default/") + "cvlogo.gif";
    info.AboutTab = AppLanguage().GetLangStr(msg::AboutTabAbout);
    info.CreditsTab = AppLanguage().GetLangStr(msg::AboutTabCredits);
    return info;
}

std::string AboutVersionLine(const TAboutInfo& info) {
    return info.Version + " (" + info.Build + ") (" + info.BuildDate + ")";
}

std::string AboutPageHTML(const TAboutInfo& info) {
    std::string page;
    auto line = [&page](const std::string& text) { page += text + "\r\n"; };
    line("<!DOCTYPE html>");
    line("<html>");
    line("<head>");
    line("<meta charset=\"utf-8\">");
    line("<title>Corvane About</title>");
    line("<style type=\"text/css\">");
    line("body { background-color: #336699; color: #FFFFFF; font-family: Arial, Helvetica, sans-serif; "
         "font-size: 10pt; margin: 16px }");
    line(".tabs { white-space: nowrap }");
    line(".tab { display: inline-block; padding: 4px 16px; margin-right: 2px; border: 1px solid #FFFFFF; "
         "border-bottom: none; color: #71C2FF; cursor: pointer; user-select: none }");
    line(".tab.current { background-color: #FFFFFF; color: #336699; font-weight: bold }");
    line(".page { border: 1px solid #FFFFFF; padding: 16px; min-height: 200px }");
    line(".p1 { font-size: 28pt; font-weight: bold; color: #ffc000 }");
    line(".p2 { font-size: 12pt }");
    line("td { vertical-align: top; padding: 3px 12px 3px 0 }");
    line("th { text-align: left; color: #ffc000; padding: 3px 12px 3px 0 }");
    line("</style>");
    line("<script type=\"text/javascript\">");
    line("function showTab(n) {");
    line("  for (var i = 1; i <= 2; i++) {");
    line("    document.getElementById('page' + i).style.display = i == n ? 'block' : 'none';");
    line("    document.getElementById('tab' + i).className = i == n ? 'tab current' : 'tab';");
    line("  }");
    line("}");
    line("</script>");
    line("</head>");
    line("<body>");
    line("<div class=\"tabs\"><span id=\"tab1\" class=\"tab current\" onclick=\"showTab(1)\">" +
         HtmlText(info.AboutTab) + "</span><span id=\"tab2\" class=\"tab\" onclick=\"showTab(2)\">" +
         HtmlText(info.CreditsTab) + "</span></div>");
    line("<div id=\"page1\" class=\"page\">");
    if (!info.LogoFile.empty() && std::filesystem::is_regular_file(info.LogoFile)) {
        const GIFSize size = GetGIFSize(info.LogoFile);
        std::string img = "<p><img id=\"logo\" src=\"" + FileHref(info.LogoFile) + "\" alt=\"" + HtmlText(info.ProductName) + "\"";
        if (size.Width > 0 && size.Height > 0)
            img += " width=\"" + std::to_string(size.Width) + "\" height=\"" + std::to_string(size.Height) + "\"";
        line(img + "></p>");
    }
    line("<div class=\"p1\">" + HtmlText(info.ProductName) + "</div>");
    line("<div id=\"version\" class=\"p2\">" + HtmlText(AboutVersionLine(info)) + "</div>");
    line("</div>");
    line("<div id=\"page2\" class=\"page\" style=\"display: none\">");
    line("<table>");
    line("<tr><th>Library</th><th>Used for</th><th>Licence</th></tr>");
    for (const Credit& credit : kCredits)
        line(std::string("<tr><td>") + HtmlText(credit.Library) + "</td><td>" + HtmlText(credit.Use) + "</td><td>" +
             HtmlText(credit.Licence) + "</td></tr>");
    line("</table>");
    line("</div>");
    line("</body>");
    line("</html>");
    return page;
}

std::string WriteAboutPage(const std::string& folder) {
    const std::string path = WithTrailingSlash(folder) + kAboutPageFile;
    SaveTextFile(path, AboutPageHTML(CurrentAboutInfo()));
    return path;
}

std::string WriteAboutPage() {
    return WriteAboutPage(App ? App->GetTempFolder() : DefaultTempFolder());
}

}  // namespace corvane
