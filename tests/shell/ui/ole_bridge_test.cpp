// Drag and drop as Qt delivers it: synthetic drag events reaching a shell drop target, the drag data
// in both directions, a drag cancelled by its source, drag scrolling, the drop menu, and cut and
// paste through the real clipboard.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QProgressDialog>
#include <QScrollBar>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <string>
#include <vector>

#include "shell/ns/data_object.h"
#include "shell/ns/drop_helpers.h"
#include "shell/ns/folder_drop_target.h"
#include "shell/ns/mime_bridge.h"
#include "shell/ns/shell_clipboard.h"
#include "shell/ns/shell_utils.h"
#include "shell/ui/drag_scroll.h"
#include "shell/ui/ole_bridge.h"
#include "shell/ui/qt_shell_clipboard.h"
#include "shell/ui/qt_shell_ui.h"
#include "shell/ui/shell_commands.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/scratch_home.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

using namespace shell;

constexpr std::uint32_t kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// Records what reaches it and answers with `answer`.
class RecordingTarget final : public ComObject<IDropTarget> {
public:
    struct Call {
        std::string what;
        std::uint32_t keys = 0;
        POINTL point;
        std::uint32_t effect = 0;
        std::vector<std::string> files;
    };
    HRESULT DragEnter(IDataObject* data, std::uint32_t keys, POINTL point, std::uint32_t* effect) override {
        calls.push_back({"enter", keys, point, *effect, DataObjectFiles(data)});
        *effect &= answer;
        return S_OK;
    }
    HRESULT DragOver(std::uint32_t keys, POINTL point, std::uint32_t* effect) override {
        calls.push_back({"over", keys, point, *effect, {}});
        *effect &= answer;
        return S_OK;
    }
    HRESULT DragLeave() override {
        calls.push_back({"leave", 0, {}, 0, {}});
        return S_OK;
    }
    HRESULT Drop(IDataObject* data, std::uint32_t keys, POINTL point, std::uint32_t* effect) override {
        calls.push_back({"drop", keys, point, *effect, DataObjectFiles(data)});
        *effect &= answer;
        return S_OK;
    }
    std::uint32_t answer = DROPEFFECT_COPY;
    std::vector<Call> calls;
};

QMimeData* FileMime(const std::vector<std::string>& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
    mime->setUrls(urls);
    return mime;
}

class ShellBridge : public ScratchHome {
protected:
    void SetUp() override {
        GuiApp();
        ScratchHome::SetUp();
    }
};

TEST_F(ShellBridge, DragEventsReachTheTargetWithKeysPointAndEffects) {
    const std::string file = MakeFile("f.txt");
    QListWidget view;
    view.setObjectName(QStringLiteral("lvDrop"));
    view.resize(200, 120);
    view.show();
    auto* target = new RecordingTarget;
    ASSERT_EQ(RegisterDragDrop(&view, target), S_OK);
    QWidget* viewport = view.viewport();
    EXPECT_TRUE(viewport->acceptDrops());
    std::unique_ptr<QMimeData> mime(FileMime({file}));

    QDragEnterEvent enter(QPoint(10, 20), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, mime.get(),
                          Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    ASSERT_EQ(target->calls.size(), 1u);
    EXPECT_EQ(target->calls[0].keys, MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(target->calls[0].effect, kAll);
    const QPoint global = viewport->mapToGlobal(QPoint(10, 20));
    EXPECT_EQ(target->calls[0].point.x, global.x());
    EXPECT_EQ(target->calls[0].point.y, global.y());
    EXPECT_EQ(target->calls[0].files, std::vector<std::string>{file});

    // The target refuses: so does the event.
    target->answer = DROPEFFECT_NONE;
    QDragMoveEvent over(QPoint(12, 22), Qt::CopyAction | Qt::LinkAction, mime.get(), Qt::RightButton,
                        Qt::ShiftModifier | Qt::AltModifier);
    QApplication::sendEvent(viewport, &over);
    EXPECT_FALSE(over.isAccepted());
    EXPECT_EQ(target->calls[1].keys, MK_RBUTTON | MK_SHIFT | MK_ALT);
    EXPECT_EQ(target->calls[1].effect, DROPEFFECT_COPY | DROPEFFECT_LINK);

    target->answer = DROPEFFECT_LINK;
    QDropEvent drop(QPointF(12, 22), Qt::CopyAction | Qt::LinkAction, mime.get(), Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::LinkAction);
    EXPECT_EQ(target->calls[2].what, "drop");
    EXPECT_EQ(target->calls[2].files, std::vector<std::string>{file});

    ASSERT_EQ(RevokeDragDrop(&view), S_OK);
    EXPECT_FALSE(viewport->acceptDrops());
    QDragEnterEvent after(QPoint(1, 1), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &after);
    EXPECT_EQ(target->calls.size(), 3u);
    target->Release();
}

TEST_F(ShellBridge, DragDataBothWaysAndForgedArraysRefused) {
    const std::string a = MakeFile("a b.txt");
    const std::string b = MakeFile("sub/c.txt");
    std::unique_ptr<QMimeData> mime(FileMime({a, b}));
    mime->setText(QStringLiteral("hello"));
    auto* incoming = new MimeDataObject(*mime);
    EXPECT_EQ(DataObjectFiles(incoming), (std::vector<std::string>{a, b}));
    STGMEDIUM medium;
    ASSERT_EQ(incoming->GetData(FormatOf(ShellIdListFormat()), medium), S_OK);
    TCida cida;
    ASSERT_TRUE(ParseCida(medium.hGlobal.data(), medium.hGlobal.size(), cida));
    EXPECT_TRUE(IsEmptyPidl(cida.parent.get()));
    ASSERT_EQ(cida.children.size(), 2u);
    EXPECT_EQ(PidlToPath(cida.children[1].get()), b);
    ASSERT_EQ(incoming->GetData(FormatOf(CF_TEXT), medium), S_OK);
    EXPECT_STREQ(reinterpret_cast<const char*>(medium.hGlobal.data()), "hello");

    // Out again: URLs, text and our array.
    std::unique_ptr<QMimeData> out(DataObjectMime(incoming));
    ASSERT_EQ(out->urls().size(), 2);
    EXPECT_EQ(out->urls()[0].toLocalFile().toStdString(), a);
    EXPECT_TRUE(out->data(QStringLiteral("text/uri-list")).contains("\r\n"));
    const QByteArray array = out->data(QString::fromLatin1(kMimeShellIdList));
    EXPECT_TRUE(ParseCida(array.constData(), static_cast<std::size_t>(array.size()), cida));
    incoming->Release();

    // A forged array of ours is never offered; a sound one is.
    QMimeData forged;
    QByteArray bad = array;
    bad[4] = char(0x7F);
    forged.setData(QString::fromLatin1(kMimeShellIdList), bad);
    auto* refused = new MimeDataObject(forged);
    EXPECT_EQ(refused->QueryGetData(FormatOf(ShellIdListFormat())), DV_E_FORMATETC);
    EXPECT_EQ(GetDataDropEffects(refused), DROPEFFECT_NONE);
    refused->Release();
    forged.setData(QString::fromLatin1(kMimeShellIdList), array);
    auto* sound = new MimeDataObject(forged);
    EXPECT_EQ(DataObjectFiles(sound), (std::vector<std::string>{a, b}));
    sound->Release();

    // A web address becomes "UniformResourceLocator"; it carries no files.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/x"))});
    auto* address = new MimeDataObject(web);
    ASSERT_EQ(address->GetData(FormatOf(RegisterClipboardFormat(CFSTR_SHELLURL)), medium), S_OK);
    EXPECT_STREQ(reinterpret_cast<const char*>(medium.hGlobal.data()), "https://example.org/x");
    EXPECT_TRUE(DataObjectFiles(address).empty());
    address->Release();
}

TEST_F(ShellBridge, DragIsCancelledByItsSourceAndScrollsOnlyWithARange) {
    const std::string file = MakeFile("f.txt");
    QWidget source;
    PItemIDList list = nullptr;
    ASSERT_EQ(PathToPidl(file, &list), S_OK);
    UniquePidl owner(list);
    auto* data = new TDataObject_shtv(nullptr, std::vector<PCItemIDList>{list});
    auto* dropSource = new TDropSource_shlvtv(0);

    TDragExec previous = SetDragExec([&](QDrag& drag, Qt::DropActions allowed) {
        EXPECT_EQ(drag.mimeData()->urls().size(), 1);
        EXPECT_EQ(allowed, Qt::CopyAction | Qt::LinkAction);
        return Qt::CopyAction;
    });
    std::uint32_t effect = 9;
    EXPECT_EQ(DoDragDrop(data, dropSource, DROPEFFECT_COPY | DROPEFFECT_LINK, &effect, &source), DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DROPEFFECT_COPY);

    SetDragExec([&](QDrag&, Qt::DropActions) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&source, &escape);
        return Qt::CopyAction;
    });
    EXPECT_EQ(DoDragDrop(data, dropSource, kAll, &effect, &source), DRAGDROP_S_CANCEL);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    SetDragExec(std::move(previous));
    dropSource->Release();
    data->Release();

    QListWidget view;
    view.resize(120, 80);
    view.addItem(QStringLiteral("one"));
    view.show();
    QSignalSpy moved(view.verticalScrollBar(), &QScrollBar::valueChanged);
    DragScroll(&view, SB_VERT, SB_LINEDOWN);
    EXPECT_EQ(moved.count(), 0);
    for (int k = 0; k < 40; ++k) view.addItem(QString::number(k));
    QApplication::processEvents();
    DragScroll(&view, SB_VERT, SB_LINEDOWN);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
}

TEST_F(ShellBridge, RightButtonDropShowsTheDropMenu) {
    const std::string file = MakeFile("a/f.txt", "x");
    const std::string to = MakeDir("b");
    TQtShellUi qtUi;
    TShellUi* previousUi = SetShellUi(&qtUi);
    QWidget window;
    window.setObjectName(QStringLiteral("DropWindow"));
    window.resize(240, 160);
    window.show();
    auto* target = new TFolderDropTarget(to, &window);
    ASSERT_EQ(RegisterDragDrop(&window, target), S_OK);
    target->Release();

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        seen = true;
        EXPECT_EQ(menu->objectName(), QStringLiteral("ShellDropMenu"));
        EXPECT_EQ(menu->defaultAction()->text(), QStringLiteral("Move Here"));
        SaveScreenshot(*menu);
        QTest::keyClick(menu, Qt::Key_Down);  // Copy Here
        QTest::keyClick(menu, Qt::Key_Return);
    });
    std::unique_ptr<QMimeData> mime(FileMime({file}));
    QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, mime.get(),
                          Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_EQ(enter.dropAction(), Qt::MoveAction);
    QDropEvent drop(QPointF(30, 30), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, mime.get(), Qt::NoButton,
                    Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    SetShellUi(previousUi);
    EXPECT_TRUE(seen);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(ReadText(to + "/f.txt"), "x");
    EXPECT_TRUE(Exists(file));
    RevokeDragDrop(&window);
}

TEST_F(ShellBridge, CutAndPasteThroughTheSystemClipboard) {
    const std::string file = MakeFile("a/f.txt", "moved");
    const std::string to = MakeDir("b");
    TQtShellClipboard system;
    TShellClipboard* previous = SetShellClipboard(&system);
    const auto invoke = [](const std::string& path, const std::string& verb) {
        PItemIDList list = nullptr;
        EXPECT_EQ(PathToPidl(path, &list), S_OK);
        UniquePidl owner(list);
        ComPtr<IContextMenu> menu;
        EXPECT_EQ(GetPidlUIObject(list, Iid::ContextMenu, menu.ReleaseAndGetVoidAddress()), S_OK);
        return InvokeShellCommand(menu.Get(), nullptr, verb);
    };
    ASSERT_EQ(invoke(file, "cut"), S_OK);
    const QMimeData* held = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->urls().value(0).toLocalFile().toStdString(), file);
    EXPECT_TRUE(held->data(QStringLiteral("x-special/gnome-copied-files")).startsWith("cut\n"));
    ASSERT_EQ(invoke(to, "paste"), S_OK);
    SetShellClipboard(previous);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadText(to + "/f.txt"), "moved");
    EXPECT_TRUE(ClipboardFiles().paths.empty());
}

}  // namespace
}  // namespace corvane::testing
