// The report pages on fixture queues: how rows fill index pages, the links between them, the summary's
// figures, and the picture sizes of the image index.
#include <gtest/gtest.h>

#include "engine/model/settings.h"
#include "tasks/report/image_size.h"
#include "tests/tasks/report/report_fixture.h"

namespace corvane::testing {
namespace {

using TaskReportTest = ReportTest;

TEST_F(TaskReportTest, TwentyRowsFillAPageAndColoursRestartOnTheNext) {
    AddPages(20);
    Generate();
    EXPECT_TRUE(Exists(ReportFile("_pages_1.htm")));
    EXPECT_FALSE(Exists(ReportFile("_pages_2.htm")));

    queue_.clear();
    AddPages(20);
    Add("http://www.site.test/untitled.html", "HTML", isParsed);   // saved, later state, no title
    Add("http://www.site.test/failed.html", "HTML", isError, "Failed");
    Add("http://www.site.test/queued.html", "HTML", isNone, "Queued");
    Generate();
    const std::string first = ReadBytes(ReportFile("_pages_1.htm"));
    const std::string second = ReadBytes(ReportFile("_pages_2.htm"));
    EXPECT_FALSE(Exists(ReportFile("_pages_3.htm")));
    EXPECT_EQ(Count(first, "<tr>\r\n<td bgcolor="), 20);
    EXPECT_EQ(Count(first, "<td bgcolor=\"#336699\">"), 10);
    EXPECT_EQ(Count(first, "<td bgcolor=\"#3870a7\">"), 10);
    // The second page holds row 21 only, in the first colour again, titled by its URL.
    EXPECT_EQ(Count(second, "<tr>\r\n<td bgcolor="), 1);
    EXPECT_NE(second.find("<tr>\r\n<td bgcolor=\"#336699\">"), std::string::npos);
    EXPECT_NE(second.find(">21&nbsp;"), std::string::npos);
    EXPECT_NE(second.find("<b>http://www.site.test/untitled.html</b>"), std::string::npos);
    EXPECT_EQ(second.find("Failed"), std::string::npos);
    EXPECT_EQ(second.find("Queued"), std::string::npos);
    // Navigation: page 1 has Next but no Previous, page 2 the other way round.
    EXPECT_NE(first.find(">Next</a>"), std::string::npos);
    EXPECT_EQ(first.find(">Previous</a>"), std::string::npos);
    EXPECT_NE(second.find(">Previous</a>"), std::string::npos);
    EXPECT_EQ(second.find(">Next</a>"), std::string::npos);
    EXPECT_EQ(first.find("\n\n"), std::string::npos);
    EXPECT_EQ(Count(first, "\n"), Count(first, "\r\n"));
}

TEST_F(TaskReportTest, MorePageOnlyPastTenIndexPages) {
    AddPages(200);
    Generate();
    EXPECT_TRUE(Exists(ReportFile("_pages_10.htm")));
    EXPECT_FALSE(Exists(ReportFile("_pages_more.htm")));
    EXPECT_EQ(ReadBytes(ReportFile("_pages_1.htm")).find("more..."), std::string::npos);

    AddPages(1, 201);
    Generate();
    const std::string more = ReadBytes(ReportFile("_pages_more.htm"));
    EXPECT_EQ(Count(more, "target=\"_blank\""), 11);
    EXPECT_EQ(Count(more, "<tr>"), 2);  // ten links a row
    const std::string page = ReadBytes(ReportFile("_pages_11.htm"));
    // Links to pages 1-10 and "more...", which opens the more page in the popup window.
    EXPECT_NE(page.find(">10</a>&nbsp;<a href=\"file://"), std::string::npos);
    EXPECT_EQ(page.find(">11</a>"), std::string::npos);
    EXPECT_NE(page.find("onClick=\"popup(&quot;file://"), std::string::npos);
    EXPECT_NE(page.find("_pages_more.htm&quot;);return false;\">more...</a>"), std::string::npos);
}

TEST_F(TaskReportTest, IndexPagesFollowTheRowsNotTheCounters) {
    // Stale counters: 45 saved pages although the task says 20; 100 saved resources of which 3 images.
    AddPages(45);
    for (int i = 0; i < 3; ++i) Add("http://www.site.test/i" + std::to_string(i) + ".gif", "Images", isSaved);
    Add("http://www.site.test/s.css", "Style", isSaved);
    task_->SetCounters({20, 100, 0, 0, 20, 100, 0});
    Generate();
    EXPECT_TRUE(Exists(ReportFile("_pages_3.htm")));
    EXPECT_NE(ReadBytes(ReportFile("_pages_3.htm")).find(">45&nbsp;"), std::string::npos);
    EXPECT_TRUE(Exists(ReportFile("_images_1.htm")));
    EXPECT_FALSE(Exists(ReportFile("_images_2.htm")));
}

TEST_F(TaskReportTest, NoRowsGiveNoIndexAndNoDeadLink) {
    task_->SetCounters({0, 7, 0, 0, 0, 7, 0});
    Add("http://www.site.test/s.css", "Style", isSaved);
    TTaskReport report = Generate();
    EXPECT_EQ(report.SummaryFile(), ReportFile("_summary.htm"));
    const std::string summary = ReadBytes(report.SummaryFile());
    EXPECT_FALSE(Exists(ReportFile("_pages_1.htm")));
    EXPECT_FALSE(Exists(ReportFile("_images_1.htm")));
    EXPECT_EQ(summary.find("_pages_1.htm"), std::string::npos);
    EXPECT_EQ(summary.find("_images_1.htm"), std::string::npos);
    EXPECT_NE(summary.find(">7</font></td>"), std::string::npos);  // the counter, unlinked
}

TEST_F(TaskReportTest, SummaryFiguresAndPictures) {
    AddPages(1);
    task_->LastRun = EncodeDate(2025, 3, 4) + EncodeTime(5, 6, 7, 0);
    task_->SetCounters({1, 0, 2, 3, 4, 5, 3LL * 1024 * 1024 * 1024 + 5000});
    Generate();
    const std::string summary = ReadBytes(ReportFile("_summary.htm"));
    EXPECT_NE(summary.find("Last Run: 03/04/2025 05:06:07<br>"), std::string::npos);
    EXPECT_NE(summary.find("Size: 3145732 Kb<br>"), std::string::npos);
    EXPECT_NE(summary.find("Total Files: 9<br>"), std::string::npos);
    EXPECT_NE(summary.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(summary.find(">1</a>"), std::string::npos);  // pages saved, linked to page 1
    for (const char* name : TTaskReport::kSkinImages)
        EXPECT_EQ(ReadBytes(folder_ + "www.site.test/!images/" + name), ReadBytes(SkinFile(name))) << name;
    // The report makes no network request: no frame, no script, no web address but the task's own.
    EXPECT_EQ(summary.find("<iframe"), std::string::npos);
    EXPECT_EQ(summary.find("<script"), std::string::npos);
    EXPECT_EQ(Count(summary, "http"), 2);  // the task URL's link and text
}

TEST_F(TaskReportTest, LocalLinksAreFileURLsOfTheSavedNames) {
    // "/a/" and "/a/a.html" share a local name; the capture gave the second one "a~2.html".
    Add("http://www.site.test/a/", "HTML", isSaved, "Dir");
    Add("http://www.site.test/a/a.html", "HTML", isSaved, "File");
    Add("http://www.site.test/d%20x/\xC3\xBC.html", "HTML", isSaved, "Umlaut");
    Generate();
    const std::string page = ReadBytes(ReportFile("_pages_1.htm"));
    const std::string dir = "file://" + home_ + "capture/www.site.test/";
    EXPECT_NE(page.find("<a href=\"" + dir + "a/a.html\"><b>Dir</b>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"" + dir + "a/a~2.html\"><b>File</b>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"" + dir + "d%20x/%C3%BC.html\"><b>Umlaut</b>"), std::string::npos);
}

TEST_F(TaskReportTest, PictureSizesFromGifPngAndJpegHeaders) {
    const std::string gif = SkinFile("diamond.gif");
    const std::string jpeg = SkinFile("cvbackground.jpg");
    std::string png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\x01\x2C\0\0\0\xC8\x08\x06\0\0\0", 29);
    WriteBytes(home_ + "p.png", png);
    EXPECT_EQ(ReadImageSize(gif).Width, 21);
    EXPECT_EQ(ReadImageSize(gif).Height, 13);
    EXPECT_EQ(ReadImageSize(home_ + "p.png").Width, 300);
    EXPECT_EQ(ReadImageSize(home_ + "p.png").Height, 200);
    EXPECT_EQ(ReadImageSize(jpeg).Width, 32);
    EXPECT_EQ(ReadImageSize(jpeg).Height, 32);
    WriteBytes(home_ + "cut.jpg", ReadBytes(jpeg).substr(0, 30));
    EXPECT_EQ(ReadImageSize(home_ + "cut.jpg").Width, 0);
    EXPECT_EQ(ReadImageSize(home_ + "missing.gif").Width, 0);

    // In the index, beside each picture.
    WriteBytes(folder_ + "www.site.test/pics/a.png", png);
    WriteBytes(folder_ + "www.site.test/pics/b.jpg", ReadBytes(jpeg));
    Add("http://www.site.test/pics/a.png", "Images", isSaved, {}, {}, 33);
    Add("http://www.site.test/pics/b.jpg", "Images", isSaved);
    Generate();
    const std::string index = ReadBytes(ReportFile("_images_1.htm"));
    EXPECT_NE(index.find("<br>Size: 33\r\n<br>W: 300, H: 200"), std::string::npos);
    EXPECT_NE(index.find("<br>W: 32, H: 32"), std::string::npos);
    EXPECT_NE(index.find("<img src=\"file://" + folder_ + "www.site.test/pics/a.png\"><br><br>"), std::string::npos);
}

}  // namespace
}  // namespace corvane::testing
