// The markup of the report pages. Lines end with CR LF.
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/parse/mirror_naming.h"
#include "engine/support/start_page.h"
#include "engine/model/version.h"
#include "tasks/report/image_size.h"
#include "tasks/report/report_html.h"
#include "tasks/report/task_report.h"

namespace corvane {
namespace {

constexpr const char* kEol = "\r\n";
constexpr const char* kRowColours[2] = {"#336699", "#3870a7"};
constexpr const char* kCellFont = "<font face=\"Arial\" size=\"2\" color=\"#FFFFFF\">";

std::string Line(const std::string& text) { return text + kEol; }

std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (const std::string_view line : lines) (text += line) += kEol;
    return text;
}

const char* IndexTitle(ReportIndex kind) { return kind == ReportIndex::Pages ? "Page Index" : "Image Index"; }

std::string Heading(const std::string& title) {
    return std::string("<b><font size=\"4\" color=\"#FFC000\">") + kProductName + kEol + " - " + title +
           "</font></b><br>" + kEol;
}

}  // namespace

std::string TTaskReport::Head(bool with_popup) const {
    std::string head = Lines({
        "<html>",
        "<head>",
        "<meta charset=\"utf-8\">",
        "<title></title>",
        "<style type=\"text/css\">",
        "A:link { font-family: Arial; font-size: 10pt; color: #71C2FF; text-decoration: none }",
        "A:visited { font-family: Arial; font-size: 10pt; color: #71C2FF; text-decoration: none }",
        "A:active { font-family: Arial; font-size: 10pt; color: #71C2FF; text-decoration: underline }",
        "A:hover { color: #000000; background-color: #FFD700; text-decoration: underline }",
        "</style>",
    });
    if (with_popup) {
        // One window for the list of all index pages, opened once and refocused after.
        head += Lines({
            "<script type=\"text/javascript\">",
            "var popupwin = null;",
            "function popup(loc) {",
            "  if (popupwin == null || popupwin.closed)",
            "    popupwin = window.open(loc, \"popupwin\", \"width=300,height=400,status=yes,resizable=yes,"
            "scrollbars=yes,menubar=no,location=no,toolbar=no\");",
            "  else",
            "    popupwin.location.href = loc;",
            "  popupwin.focus();",
            "}",
            "</script>",
        });
    }
    head += Line("</head>");
    head += Line("<body topmargin=\"0\" leftmargin=\"0\" background=\"!images/cvbackground.jpg\" "
                 "bgproperties=\"fixed\" text=\"#ffffff\">");
    return head;
}

std::string TTaskReport::PageHeader() const { return Head(false); }

std::string TTaskReport::TaskLines() const {
    const std::string diamond = "<img src=\"!images/diamond.gif\" width=\"21\" height=\"13\"> ";
    const std::string title = start_page_title_.empty() ? url_ : start_page_title_;
    std::string lines;
    lines += Line(FileLink(start_page_file_, "<b>" + HtmlText(title) + "</b>") + "<br>");
    lines += Line("<img src=\"!images/www.gif\" width=\"19\" height=\"19\"> <font size=\"1\">" +
                  WebLink(url_, HtmlText(url_)) + "</font><br>");
    lines += Line(diamond + "Last Run: " + last_run_ + "<br>");
    lines += Line(diamond + "Size: " + std::to_string(counters_.TotalBytes / 1024) + " Kb<br>");
    lines += Line(diamond + "Total Files: " +
                  std::to_string(static_cast<std::int64_t>(counters_.TotalPages) + counters_.TotalResources) + "<br>");
    return lines;
}

std::string TTaskReport::IndexHeader(const std::string& title) const {
    std::string text = Head(true);
    text += Line("<table width=\"90%\" cellpadding=\"4\" align=\"center\">");
    text += Line("<tr><td>");
    text += "<blockquote>" + Heading(title);
    text += TaskLines();
    text += Line("</blockquote>");
    text += "<p align=\"center\"><font face=\"Arial\" size=\"2\">";
    return text;
}

std::string TTaskReport::SummaryPage() {
    // A counter links to its index only when that index has a page (no dead link).
    const auto counter_link = [this](ReportIndex kind, std::int32_t value) {
        const std::string text = std::to_string(value);
        return IndexPageCount(kind) > 0 ? Anchor(FileHref(IndexFile(kind, 1)), text) : text;
    };
    const auto cell = [](const std::string& width, const std::string& inner) {
        return "<td" + (width.empty() ? std::string() : " width=\"" + width + "\"") + " bgcolor=\"#336699\">" +
               kCellFont + inner + "</font></td>";
    };
    std::string page = PageHeader();
    page += Line("<table width=\"100%\" cellpadding=\"4\">");
    page += Line("<tr><td width=\"450\">");
    page += Heading("Task Summary");
    page += TaskLines();
    page += Lines({"</td></tr>", "<tr><td>&nbsp;</td></tr>", "<tr><td>", "<table cellpadding=\"0\" cellspacing=\"0\"><tr>"});
    page += Line("<td width=\"15\" bgcolor=\"#336699\" align=\"center\" valign=\"top\"><font face=\"Arial\" size=\"3\" "
                 "color=\"#FFFFFF\"><b>R<br>E<br>S<br>U<br>L<br>T<br>S</b></font></td>");
    page += Line("<td><table width=\"450\" cellpadding=\"4\" cellspacing=\"1\" bgcolor=\"#FFC000\">");
    page += Line("<tr>" + cell("40%", "&nbsp;") + cell("20%", "Saved") + cell("20%", "Errors") + cell("20%", "Total") +
                 "</tr>");
    page += Line("<tr>" + cell("", "<img src=\"!images/html.gif\" width=\"16\" height=\"16\"> Pages:") +
                 cell("", counter_link(ReportIndex::Pages, counters_.PagesSaved)) +
                 cell("", std::to_string(counters_.PageErrors)) + cell("", std::to_string(counters_.TotalPages)) +
                 "</tr>");
    page += Line("<tr>" + cell("", "<img src=\"!images/images.gif\" width=\"16\" height=\"16\"> Media Files:") +
                 cell("", counter_link(ReportIndex::Images, counters_.ResourcesSaved)) +
                 cell("", std::to_string(counters_.ResourceErrors)) +
                 cell("", std::to_string(counters_.TotalResources)) + "</tr>");
    page += Lines({"</table></td>", "</tr></table>", "</td></tr>", "<tr><td>&nbsp;</td></tr>", "</table>", "</body>",
                   "</html>"});
    return page;
}

std::string TTaskReport::LinksLine(ReportIndex kind, int pages) const {
    std::string line;
    for (int n = 1; n <= pages && n <= kReportLinksPerLine; ++n)
        line += Anchor(FileHref(IndexFile(kind, n)), std::to_string(n)) + "&nbsp;";
    if (pages > kReportLinksPerLine) {
        const std::string href = FileHref(MoreFile(kind));
        // The argument is a script literal inside an attribute: escaped for both.
        const std::string call = "popup(" + JavaScriptStringLiteral("file://" + EncodePageLink(MoreFile(kind))) +
                                 ");return false;";
        line += Anchor(href, "more...", "onClick=\"" + HtmlText(call) + "\"") + "&nbsp;";
    }
    return line;
}

std::string TTaskReport::NavigationLine(ReportIndex kind, int page, int pages) const {
    std::string line = Anchor(FileHref(summary_file_), "Summary") + "&nbsp;&nbsp;";
    if (page > 1) line += Anchor(FileHref(IndexFile(kind, page - 1)), "Previous") + "&nbsp;&nbsp;";
    line += LinksLine(kind, pages);
    if (page < pages) line += "&nbsp;&nbsp;" + Anchor(FileHref(IndexFile(kind, page + 1)), "Next");
    return line;
}

std::string TTaskReport::MorePage(ReportIndex kind, int pages) const {
    std::string page = PageHeader();
    page += Line("<table width=\"250\" cellpadding=\"4\" align=\"center\">");
    page += Line("<tr>");
    for (int n = 1; n <= pages; ++n) {
        if (n > 1 && n % kReportLinksPerLine == 1) {
            page += Line("</tr>");
            page += Line("<tr>");
        }
        page += Line("<td width=\"10%\" align=\"center\" bgcolor=\"#C9DBED\">" +
                     Anchor(FileHref(IndexFile(kind, n)), std::to_string(n), "target=\"_blank\"") + "</td>");
    }
    page += Lines({"</tr>", "</table>"});
    page += "</body></html>";
    return page;
}

std::string TTaskReport::RowCell(ReportIndex kind, int number, int row_on_page, const ReportRow& row) const {
    const std::string title = HtmlText(row.Title.empty() ? row.URL : row.Title);
    std::string cell = "<td bgcolor=\"" + std::string(kRowColours[(row_on_page - 1) % 2]) + "\">" + kEol;
    if (kind == ReportIndex::Images && !row.LocalFile.empty())
        cell += Line("<img src=\"" + FileHref(row.LocalFile) + "\"><br><br>");
    cell += Line("<font face=\"Arial\" size=\"2\">" + std::to_string(number) + "&nbsp;" +
                 FileLink(row.LocalFile, "<b>" + title + "</b>") + "</font>");
    cell += Line("<font face=\"Arial\" size=\"1\"><br>");
    cell += Line("URL: " + WebLink(row.URL, HtmlText(row.URL)) + "<br>");
    cell += Line("Referrer: " + WebLink(row.Referrer, HtmlText(row.Referrer)) + "<br>");
    cell += Line("Level: " + std::to_string(row.Level));
    if (kind == ReportIndex::Images) {
        const ImageDimensions size = row.LocalFile.empty() ? ImageDimensions{} : ReadImageSize(row.LocalFile);
        cell += Line("<br>Size: " + std::to_string(row.Size));
        cell += Line("<br>W: " + std::to_string(size.Width) + ", H: " + std::to_string(size.Height));
    }
    cell += Line("</font>");
    cell += Line("<br>&nbsp;&nbsp;</td>");
    return cell;
}

std::string TTaskReport::IndexPage(ReportIndex kind, int page, int pages, const std::vector<ReportRow>& rows,
                                   std::size_t first) const {
    const std::string navigation = NavigationLine(kind, page, pages);
    std::string text = IndexHeader(IndexTitle(kind));
    text += Line(navigation);
    text += Lines({"</font></p>", "</td>", "</tr>", "</table>",
                   "<table width=\"90%\" cellspacing=\"1\" cellpadding=\"8\" bgcolor=\"#FFC000\" align=\"center\">"});
    for (int r = 1; r <= kReportRowsPerPage && first + static_cast<std::size_t>(r - 1) < rows.size(); ++r) {
        const int number = (page - 1) * kReportRowsPerPage + r;
        text += Line("<tr>");
        text += RowCell(kind, number, r, rows[first + static_cast<std::size_t>(r - 1)]);
        text += Line("</tr>");
    }
    text += Line("</table>");
    text += Line("<br><center>" + navigation + "</center><br>");
    text += Lines({"</body>", "</html>"});
    return text;
}

}  // namespace corvane
