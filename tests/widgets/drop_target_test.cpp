#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/drop_target.h"

namespace corvane {
namespace {

constexpr Qt::DropActions kAll = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// A drag over one widget, event by event, as the window system would deliver it.
struct Drag {
    QWidget* Widget;
    const QMimeData* Data;
    Qt::DropActions Possible = kAll;

    // The effect the target answered, IgnoreAction when it refused.
    static Qt::DropAction Answer(const QDropEvent& event) {
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    }
    Qt::DropAction Enter(Qt::KeyboardModifiers keys = {}) {
        QDragEnterEvent event(QPoint(4, 4), Possible, Data, Qt::LeftButton, keys);
        QApplication::sendEvent(Widget, &event);
        return Answer(event);
    }
    Qt::DropAction Move(Qt::KeyboardModifiers keys = {}) {
        QDragMoveEvent event(QPoint(5, 5), Possible, Data, Qt::LeftButton, keys);
        QApplication::sendEvent(Widget, &event);
        return Answer(event);
    }
    Qt::DropAction Drop(Qt::KeyboardModifiers keys = {}) {
        QDropEvent event(QPointF(6, 6), Possible, Data, Qt::LeftButton, keys);
        QApplication::sendEvent(Widget, &event);
        return Answer(event);
    }
};

std::unique_ptr<QMimeData> UriList(const QStringList& entries) {
    auto data = std::make_unique<QMimeData>();
    data->setData("text/uri-list", (entries.join("\r\n") + "\r\n").toUtf8());
    return data;
}

class DropTarget : public ::testing::Test {
protected:
    void SetUp() override { testing::GuiApp(); }

    // A file in a fresh folder, as a file manager would drop it.
    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.path() + "/" + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    // What a URL target takes from the drop of this data; empty when the drop was refused.
    QString DroppedURL(const QMimeData& data) {
        QWidget box;
        TDropURLTarget target;
        target.Register(&box);
        QString url;
        target.OnDrop = [&](QObject*, TDragType, QPoint) { url = target.URL; };
        Drag drag{&box, &data};
        if (drag.Enter() != Qt::IgnoreAction)
            drag.Drop();
        return url;
    }

    QTemporaryDir dir_;
};

TEST_F(DropTarget, EffectFollowsKeysWithinAllowedTypes) {
    TDropFileTarget target;
    const Qt::KeyboardModifiers none, shift(Qt::ShiftModifier), ctrl(Qt::ControlModifier),
        both(Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(target.DropEffect(none, kAll), Qt::CopyAction);
    EXPECT_EQ(target.DropEffect(ctrl, kAll), Qt::CopyAction);
    EXPECT_EQ(target.DropEffect(shift, kAll), Qt::MoveAction);
    EXPECT_EQ(target.DropEffect(both, kAll), Qt::LinkAction);
    // What the source cannot do falls back to the first allowed.
    EXPECT_EQ(target.DropEffect(shift, Qt::CopyAction), Qt::CopyAction);
    EXPECT_EQ(target.DropEffect(both, Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);
    EXPECT_EQ(target.DropEffect(none, Qt::LinkAction), Qt::LinkAction);

    target.Dragtypes = TDragTypes(dtMove) | dtLink;
    EXPECT_EQ(target.DropEffect(none, kAll), Qt::MoveAction);
    EXPECT_EQ(target.DropEffect(both, kAll), Qt::LinkAction);
    EXPECT_EQ(target.DropEffect(none, Qt::CopyAction), Qt::IgnoreAction);

    // The main window's URL box: link whatever is held.
    target.Dragtypes = dtLink;
    for (const Qt::KeyboardModifiers keys : {none, shift, ctrl, both})
        EXPECT_EQ(target.DropEffect(keys, kAll), Qt::LinkAction) << keys.toInt();

    // The handler may change the effect, but not to one the source does not offer.
    target.Dragtypes = TDragTypes(dtCopy) | dtMove | dtLink;
    target.OnGetDropEffect = [](QObject*, Qt::KeyboardModifiers, Qt::DropAction& effect) { effect = Qt::MoveAction; };
    EXPECT_EQ(target.DropEffect(none, kAll), Qt::MoveAction);
    EXPECT_EQ(target.DropEffect(none, Qt::CopyAction), Qt::IgnoreAction);
}

TEST_F(DropTarget, FileDropReportsLocalFilesWithItsDragType) {
    QWidget window;
    window.setObjectName("DropFileWindow");
    TDropFileTarget target;
    target.Register(&window);
    EXPECT_TRUE(window.acceptDrops());

    std::vector<std::pair<TDragType, QStringList>> drops;
    int enters = 0, leaves = 0;
    target.OnEnter = [&](QObject*, QPoint) { ++enters; };
    target.OnLeave = [&](QObject*) { ++leaves; };
    target.OnDrop = [&](QObject* sender, TDragType type, QPoint point) {
        EXPECT_EQ(sender, &target);
        EXPECT_EQ(point, QPoint(6, 6));
        drops.emplace_back(type, target.Files);
    };
    const auto data = UriList({"file:///tmp/a%20b.zip", "http://example.com/x", "file:///tmp/c.cvt"});
    Drag drag{&window, data.get()};
    EXPECT_EQ(drag.Enter(), Qt::CopyAction);
    EXPECT_EQ(drag.Move(Qt::ShiftModifier), Qt::MoveAction);
    EXPECT_EQ(drag.Drop(Qt::ShiftModifier | Qt::ControlModifier), Qt::LinkAction);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].first, dtLink);
    EXPECT_EQ(drops[0].second, QStringList({"/tmp/a b.zip", "/tmp/c.cvt"}));
    EXPECT_TRUE(target.Files.isEmpty()) << "data are cleared after the drop";

    // A drag that goes away again.
    EXPECT_EQ(drag.Enter(), Qt::CopyAction);
    QEvent leave(QEvent::DragLeave);
    QApplication::sendEvent(&window, &leave);
    EXPECT_EQ(enters, 2);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(drops.size(), 1u);

    // Text alone offers no file: refused at enter and at the drop.
    QMimeData text;
    text.setText("/tmp/a.zip");
    Drag text_drag{&window, &text};
    EXPECT_EQ(text_drag.Enter(), Qt::IgnoreAction);
    EXPECT_EQ(text_drag.Drop(), Qt::IgnoreAction);
    EXPECT_EQ(drops.size(), 1u);
    testing::SaveScreenshot(window);
}

TEST_F(DropTarget, RefusedDragStaysRefusedAndEmptyDropsAreNotReported) {
    QWidget box;
    TDropURLTarget target;
    target.Dragtypes = dtLink;
    target.GetDataOnEnter = true;
    target.Register(&box);
    int drops = 0;
    target.OnDrop = [&](QObject*, TDragType, QPoint) { ++drops; };

    // A shortcut file whose URL cannot be read: the data fail on enter, so the drag is refused, and
    // holding keys over the box does not change that.
    const QString broken = WriteFile("broken.url", "[InternetShortcut]\r\nIDList=\r\nURL=http://example.com/\r\n");
    const auto data = UriList({QUrl::fromLocalFile(broken).toString()});
    Drag drag{&box, data.get()};
    EXPECT_EQ(drag.Enter(), Qt::IgnoreAction);
    EXPECT_EQ(drag.Move(), Qt::IgnoreAction);
    EXPECT_EQ(drag.Move(Qt::ShiftModifier | Qt::ControlModifier), Qt::IgnoreAction);
    EXPECT_EQ(drag.Drop(), Qt::IgnoreAction);
    EXPECT_EQ(drops, 0);

    // A drop without an enter and without data.
    QMimeData empty;
    Drag empty_drag{&box, &empty};
    EXPECT_EQ(empty_drag.Drop(), Qt::IgnoreAction);
    EXPECT_EQ(drops, 0);

    // A good link afterwards is taken on enter and reported once.
    QMimeData link;
    link.setData("_NETSCAPE_URL", "http://example.com/page\nTitle");
    Drag link_drag{&box, &link};
    EXPECT_EQ(link_drag.Enter(Qt::ShiftModifier), Qt::LinkAction);
    EXPECT_EQ(target.URL, "http://example.com/page");
    EXPECT_EQ(link_drag.Drop(), Qt::LinkAction);
    EXPECT_EQ(drops, 1);
}

TEST_F(DropTarget, URLFormatsInOrderOfPrecedence) {
    QMimeData all;
    const QString moz = "http://a.example/\nA title";
    all.setData("text/x-moz-url", QByteArray(reinterpret_cast<const char*>(moz.utf16()), moz.size() * 2));
    all.setData("_NETSCAPE_URL", "http://b.example/\nB");
    all.setData("text/uri-list", "file:///tmp/x.zip\r\nhttp://c.example/\r\n");
    all.setText("http://d.example/");
    EXPECT_EQ(DroppedURL(all), "http://a.example/");
    all.removeFormat("text/x-moz-url");
    EXPECT_EQ(DroppedURL(all), "http://b.example/");
    all.removeFormat("_NETSCAPE_URL");
    EXPECT_EQ(DroppedURL(all), "http://c.example/");
    all.removeFormat("text/uri-list");
    EXPECT_EQ(DroppedURL(all), "http://d.example/");

    // File managers send the paths as text too: that text is no URL.
    const auto files = UriList({"file:///tmp/x.zip"});
    files->setText("/tmp/x.zip");
    EXPECT_EQ(DroppedURL(*files), "");
}

TEST_F(DropTarget, ShortcutFilesGiveTheirURLLine) {
    const auto url_of = [&](const QString& name, const QByteArray& text) {
        const auto data = UriList({QUrl::fromLocalFile(WriteFile(name, text)).toString()});
        return DroppedURL(*data);
    };
    EXPECT_EQ(url_of("lf.url", "[InternetShortcut]\nURL=http://example.com/lf\nIconIndex=0\n"), "http://example.com/lf");
    EXPECT_EQ(url_of("crlf.URL", "[InternetShortcut]\r\nURL= http://example.com/crlf \r\nIconIndex=0\r\n"),
              "http://example.com/crlf");
    EXPECT_EQ(url_of("idlist.url", "[InternetShortcut]\r\nIDList=\r\nURL=http://example.com/\r\n"), "");
    EXPECT_EQ(url_of("other.url", "[Other]\r\nURL=http://example.com/\r\n"), "");
    EXPECT_EQ(url_of("note.txt", "[InternetShortcut]\r\nURL=http://example.com/\r\n"), "");
    // Long URLs come whole (never cut: a cut one names another page), too long ones not at all.
    const QByteArray long_url = "http://example.com/" + QByteArray(1000, 'p');
    EXPECT_EQ(url_of("long.url", "[InternetShortcut]\r\nURL=" + long_url + "\r\n"), QString(long_url));
    EXPECT_EQ(url_of("huge.url", "[InternetShortcut]\r\nURL=http://example.com/" + QByteArray(2100, 'p')), "");
    EXPECT_EQ(url_of("big.url", "[InternetShortcut]\r\nURL=http://example.com/\r\n" + QByteArray(5000, ';')), "");
}

TEST_F(DropTarget, RegistersOnceAndCoversAnEditableComboBox) {
    QComboBox combo;
    combo.setObjectName("cbURL");
    combo.setEditable(true);
    combo.lineEdit()->setText("typed");
    TDropURLTarget target;
    target.Dragtypes = dtLink;
    target.Register(&combo);
    target.Register(&combo);  // nothing happens the second time
    int enters = 0;
    QString dropped;
    target.OnEnter = [&](QObject*, QPoint) { ++enters; };
    target.OnDrop = [&](QObject*, TDragType type, QPoint) {
        EXPECT_EQ(type, dtLink);
        dropped = target.URL;
    };

    // The line edit would take a text drop itself; the target gets it instead.
    QMimeData text;
    text.setText("http://example.com/dropped");
    Drag drag{combo.lineEdit(), &text};
    EXPECT_EQ(drag.Enter(), Qt::LinkAction);
    EXPECT_EQ(drag.Drop(), Qt::LinkAction);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(dropped, "http://example.com/dropped");
    EXPECT_EQ(combo.lineEdit()->text(), "typed");

    target.Unregister();
    EXPECT_FALSE(combo.acceptDrops());
    EXPECT_EQ(target.Control(), nullptr);
    testing::SaveScreenshot(combo);
}

}  // namespace
}  // namespace corvane
