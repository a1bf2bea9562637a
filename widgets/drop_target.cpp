#include "widgets/drop_target.h"

#include <algorithm>

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <QWidget>

namespace corvane {
namespace {

constexpr qint64 kMaxShortcutFileSize = 4096;
constexpr int kMaxShortcutURLLength = 2048;

// The entries of text/uri-list in order, comments and blank lines left out.
QStringList UriListEntries(const QMimeData& data) {
    QStringList entries;
    if (!data.hasFormat("text/uri-list"))
        return entries;
    const QList<QByteArray> lines = data.data("text/uri-list").split('\n');
    for (const QByteArray& raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!line.isEmpty() && !line.startsWith('#'))
            entries.append(line);
    }
    return entries;
}

bool IsFileEntry(const QString& entry) { return entry.startsWith("file:", Qt::CaseInsensitive); }

QStringList LocalFiles(const QMimeData& data) {
    QStringList files;
    for (const QString& entry : UriListEntries(data)) {
        if (!IsFileEntry(entry))
            continue;
        const QString path = QUrl(entry).toLocalFile();
        if (!path.isEmpty())
            files.append(path);
    }
    return files;
}

QString FirstLine(const QString& text) {
    const qsizetype end = text.indexOf(QRegularExpression("[\r\n]"));
    return (end < 0 ? text : text.left(end)).trimmed();
}

// Browsers send text/x-moz-url as UTF-16 (URL, line break, title); some as UTF-8.
QString DecodeMozURL(const QByteArray& bytes) {
    if (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.contains('\0'))
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    return QString::fromUtf8(bytes);
}

TDragType DragTypeOf(Qt::DropAction effect) {
    switch (effect) {
    case Qt::MoveAction: return dtMove;
    case Qt::LinkAction: return dtLink;
    default: return dtCopy;
    }
}

void ApplyEffect(QDropEvent& event, Qt::DropAction effect) {
    if (effect == Qt::IgnoreAction) {
        event.ignore();
        return;
    }
    event.setDropAction(effect);
    event.accept();
}

}  // namespace

TDropTarget::TDropTarget(QObject* parent) : QObject(parent) {
    // The system's drag and drop needed OleInitialize and registered clipboard formats first; Qt's
    // needs nothing, so there is nothing to initialise.
}

TDropTarget::~TDropTarget() { Unregister(); }

void TDropTarget::Register(QWidget* control) {
    if (control == control_ && control_)
        return;
    Unregister();
    if (!control)
        return;
    control_ = control;
    Attach(control);
    // An editable combo box's line edit takes text drops itself, so it gets the filter as well.
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
        Attach(combo->lineEdit());
}

void TDropTarget::Attach(QWidget* widget) {
    attached_.push_back({widget, widget->acceptDrops()});
    widget->installEventFilter(this);
    widget->setAcceptDrops(true);
}

void TDropTarget::Unregister() {
    for (Attached& attached : attached_) {
        if (!attached.Widget)
            continue;
        attached.Widget->removeEventFilter(this);
        attached.Widget->setAcceptDrops(attached.AcceptedDrops);
    }
    attached_.clear();
    control_ = nullptr;
    refused_ = false;
    have_data_ = false;
}

Qt::DropAction TDropTarget::DropEffect(Qt::KeyboardModifiers keys, Qt::DropActions possible) {
    const bool copy = Dragtypes.testFlag(dtCopy) && possible.testFlag(Qt::CopyAction);
    const bool move = Dragtypes.testFlag(dtMove) && possible.testFlag(Qt::MoveAction);
    const bool link = Dragtypes.testFlag(dtLink) && possible.testFlag(Qt::LinkAction);
    const bool shift = keys.testFlag(Qt::ShiftModifier);
    const bool ctrl = keys.testFlag(Qt::ControlModifier);
    Qt::DropAction effect = Qt::IgnoreAction;
    if (shift && ctrl && link)
        effect = Qt::LinkAction;
    else if (shift && !ctrl && move)
        effect = Qt::MoveAction;
    else if (copy)
        effect = Qt::CopyAction;
    else if (move)
        effect = Qt::MoveAction;
    else if (link)
        effect = Qt::LinkAction;
    if (OnGetDropEffect) {
        OnGetDropEffect(this, keys, effect);
        if (effect != Qt::IgnoreAction && !possible.testFlag(effect))
            effect = Qt::IgnoreAction;
    }
    return effect;
}

void TDropTarget::EndDrag() {
    ClearData();
    have_data_ = false;
    refused_ = false;
}

bool TDropTarget::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    const auto point_of = [&](const QDropEvent& e) {
        const QPoint local = e.position().toPoint();
        return control_ && widget != control_ ? widget->mapTo(control_, local) : local;
    };
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto& e = static_cast<QDragEnterEvent&>(*event);
        EndDrag();
        const QMimeData* data = e.mimeData();
        Qt::DropAction effect = Qt::IgnoreAction;
        if (data && HasWantedFormat(*data)) {
            effect = DropEffect(e.modifiers(), e.possibleActions());
            if (effect != Qt::IgnoreAction && GetDataOnEnter) {
                have_data_ = GetData(*data);
                if (!have_data_)
                    effect = Qt::IgnoreAction;
            }
        }
        refused_ = effect == Qt::IgnoreAction;
        if (OnEnter)
            OnEnter(this, point_of(e));
        ApplyEffect(e, effect);
        return true;
    }
    case QEvent::DragMove: {
        auto& e = static_cast<QDragMoveEvent&>(*event);
        // Keys can change the effect, but never turn a refused drag into an accepted one.
        const Qt::DropAction effect =
            refused_ ? Qt::IgnoreAction : DropEffect(e.modifiers(), e.possibleActions());
        if (OnDragOver)
            OnDragOver(this, point_of(e));
        ApplyEffect(e, effect);
        return true;
    }
    case QEvent::DragLeave:
        EndDrag();
        if (OnLeave)
            OnLeave(this);
        return true;
    case QEvent::Drop:
        HandleDrop(static_cast<QDropEvent&>(*event), *widget);
        return true;
    default:
        return false;
    }
}

bool TDropTarget::HandleDrop(QDropEvent& event, QWidget& widget) {
    Qt::DropAction effect = Qt::IgnoreAction;
    const QMimeData* data = event.mimeData();
    if (!refused_ && data) {
        effect = DropEffect(event.modifiers(), event.possibleActions());
        if (effect != Qt::IgnoreAction && !have_data_)
            have_data_ = HasWantedFormat(*data) && GetData(*data);
        if (!have_data_)
            effect = Qt::IgnoreAction;
    }
    ApplyEffect(event, effect);
    // Only a drop that gave data and an effect is reported: an empty one would start work on nothing.
    if (effect != Qt::IgnoreAction && OnDrop) {
        const QPoint local = event.position().toPoint();
        OnDrop(this, DragTypeOf(effect), control_ && &widget != control_ ? widget.mapTo(control_, local) : local);
    }
    EndDrag();
    return effect != Qt::IgnoreAction;
}

bool TDropFileTarget::HasWantedFormat(const QMimeData& data) const { return !LocalFiles(data).isEmpty(); }

bool TDropFileTarget::GetData(const QMimeData& data) {
    Files = LocalFiles(data);
    return !Files.isEmpty();
}

bool TDropURLTarget::HasWantedFormat(const QMimeData& data) const {
    return data.hasFormat("text/x-moz-url") || data.hasFormat("_NETSCAPE_URL") || data.hasFormat("text/uri-list") ||
           data.hasText();
}

QString TDropURLTarget::URLFromShortcut(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    static const QString kSection = "[InternetShortcut]";
    if (!text.startsWith(kSection))
        return {};
    // The "URL=" line comes directly after the section line, whose break is CR LF, LF or CR.
    qsizetype at = kSection.size();
    if (text.mid(at, 2) == "\r\n")
        at += 2;
    else if (at < text.size() && (text[at] == '\r' || text[at] == '\n'))
        at += 1;
    else
        return {};
    if (text.indexOf('=') != at + 3 || text.mid(at, 3).compare("URL", Qt::CaseInsensitive) != 0)
        return {};
    QString url = text.mid(at + 4);
    const qsizetype end = url.indexOf(QRegularExpression("[\r\n]"));
    if (end >= 0)
        url.truncate(end);
    url = url.trimmed();
    // A longer URL is refused whole: cut short, it would name another page.
    if (url.size() > kMaxShortcutURLLength)
        return {};
    return url;
}

bool TDropURLTarget::GetData(const QMimeData& data) {
    URL.clear();
    const QStringList entries = UriListEntries(data);
    // A browser's link first: its own formats, then a non-file entry of the URI list.
    if (data.hasFormat("text/x-moz-url"))
        URL = FirstLine(DecodeMozURL(data.data("text/x-moz-url")));
    if (URL.isEmpty() && data.hasFormat("_NETSCAPE_URL"))
        URL = FirstLine(QString::fromUtf8(data.data("_NETSCAPE_URL")));
    if (URL.isEmpty()) {
        for (const QString& entry : entries) {
            if (!IsFileEntry(entry)) {
                URL = entry;
                break;
            }
        }
    }
    // Plain text, unless it only spells the paths of dropped files.
    const bool only_files =
        !entries.isEmpty() && std::all_of(entries.begin(), entries.end(), [](const QString& e) { return IsFileEntry(e); });
    if (URL.isEmpty() && data.hasText() && !only_files)
        URL = data.text().trimmed();
    // No source here offers file contents (a browser's dragged shortcut without a file); a dropped
    // ".url" shortcut file is read.
    if (URL.isEmpty()) {
        const QStringList files = LocalFiles(data);
        if (!files.isEmpty() && files.first().toLower().endsWith(".url")) {
            QFile file(files.first());
            if (file.size() <= kMaxShortcutFileSize && file.open(QIODevice::ReadOnly))
                URL = URLFromShortcut(file.read(kMaxShortcutFileSize + 1));
        }
    }
    return !URL.isEmpty();
}

}  // namespace corvane
