// The connections view over a real pool: rows follow the pool, the track bars store their settings,
// and the pool is resized at once only while no task runs.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include "app/form_downloader.h"
#include "engine/run/engine_timing.h"
#include "engine/queue/queue_item.h"
#include "engine/model/registry_routines.h"
#include "engine/run/socket_list.h"
#include "engine/model/task.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/loopback_server.h"
#include "tests/support/screenshot.h"
#include "widgets/track_bar95.h"

namespace corvane::testing {
namespace {

QString Blocks(int n) { return QString(n, QChar(kProgressBlock)); }

TEST(Connections, ProgressCellText) {
    EXPECT_EQ(SocketProgressText(456, 1000), Blocks(4) + QStringLiteral("  46%"));
    EXPECT_EQ(SocketProgressText(77, 0), QStringLiteral("  ?"));
    EXPECT_EQ(SocketProgressText(1000, 1000), Blocks(10) + QStringLiteral("  100%"));
    EXPECT_EQ(SocketProgressText(5, 1000), QStringLiteral("  1%"));
    // Beyond 2 GB: sizes are 64-bit.
    EXPECT_EQ(SocketProgressText(3'000'000'000LL, 6'000'000'000LL), Blocks(5) + QStringLiteral("  50%"));
}

class ConnectionsView : public FreshHome {
protected:
    void SetUp() override {
        GuiApp();
        FreshHome::SetUp();
        sockets_ = std::make_unique<TSocketList>(EngineTiming::Shortened());
        sockets_->SetSocketCount(5);
        form_ = std::make_unique<TFormDownloader>(*sockets_);
        form_->show();
    }
    void TearDown() override {
        form_.reset();
        sockets_.reset();
        FreshHome::TearDown();
    }
    void Lower(TTrackBar95& bar, int steps) {
        bar.setFocus();
        for (int i = 0; i < steps; ++i) QTest::keyClick(&bar, Qt::Key_Left);
    }
    std::unique_ptr<TSocketList> sockets_;
    std::unique_ptr<TFormDownloader> form_;
};

TEST_F(ConnectionsView, LoweringTheConnectionsWhileIdleShrinksThePoolAndTheRows) {
    ASSERT_EQ(form_->lvSockets->topLevelItemCount(), 5);
    EXPECT_EQ(form_->lvSockets->topLevelItem(0)->text(0), QStringLiteral("Socket 1: "));
    EXPECT_EQ(form_->tbSockets->value(), 5);
    Lower(*form_->tbSockets, 2);
    EXPECT_EQ(form_->lblSockets->text(), QStringLiteral("3"));
    EXPECT_EQ(sockets_->Count(), 3);
    EXPECT_EQ(form_->lvSockets->topLevelItemCount(), 3);
    EXPECT_EQ(RegRead(kSettingsKey, "Connections", 0), 3);

    Lower(*form_->tbPriority, 1);
    EXPECT_EQ(App->Priority.load(), 4);
    EXPECT_EQ(RegRead(kSettingsKey, "Priority", 0), 4);
}

TEST_F(ConnectionsView, DuringARunOnlyTheSettingChanges) {
    auto task = std::make_shared<TCVTask>();
    task->Status = tsDownloading;
    App->SetCurrentTask(task);
    Lower(*form_->tbSockets, 2);
    EXPECT_EQ(App->Connections.load(), 3);
    EXPECT_EQ(sockets_->Count(), 5) << "the dispatcher resizes the pool on its next step";
    EXPECT_EQ(form_->lvSockets->topLevelItemCount(), 5);
}

TEST_F(ConnectionsView, BusyConnectionsShowTheirJobs) {
    test::LoopbackServer server;
    server.Handle("/slow", [](const test::ReceivedRequest&) {
        test::ScriptedResponse r = test::ScriptedResponse::Text("x", "text/plain");
        r.stall_after_headers = true;
        return r;
    });
    auto task = std::make_shared<TCVTask>();
    const auto start = [&](int index, const std::string& path, std::int64_t size, std::int64_t done) {
        TSocketJob job;
        job.LocalFile = home_ + "job" + std::to_string(index);
        job.Folder = home_;
        job.Item = std::make_unique<TCVQItem>(task.get());
        job.Item->URL = server.Url(path);
        job.Item->Size = size;
        job.Item->BytesDone = done;
        job.URL = server.Url(path);
        ASSERT_TRUE(sockets_->Sockets()[static_cast<std::size_t>(index)]->StartJob(job));
    };
    start(0, "/slow", 1000, 456);
    start(2, "/slow?b", 0, 77);
    form_->UpdateSockets();
    QTreeWidgetItem* first = form_->lvSockets->topLevelItem(0);
    EXPECT_EQ(first->text(0).toStdString(), server.Url("/slow"));
    EXPECT_EQ(first->text(1), Blocks(4) + QStringLiteral("  46%"));
    EXPECT_EQ(first->text(2), QStringLiteral("456"));
    EXPECT_EQ(first->text(3), QStringLiteral("1000"));
    QTreeWidgetItem* third = form_->lvSockets->topLevelItem(2);
    EXPECT_EQ(third->text(1), QStringLiteral("  ?"));
    EXPECT_EQ(third->text(2), QStringLiteral("77"));
    EXPECT_EQ(form_->lvSockets->topLevelItem(1)->text(0), QStringLiteral("Socket 2: ")) << "idle rows stay";
    form_->resize(720, 200);
    SaveScreenshot(*form_);
    sockets_->StopAllSockets();
}

}  // namespace
}  // namespace corvane::testing
