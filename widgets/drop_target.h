#pragma once
// Drop targets: make a control accept drags. The base class chooses the drop effect and fires the
// events; the two kinds below say which data they want and take them out of the drag's QMimeData.

#include <QFlags>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QMimeData;
class QDropEvent;

namespace corvane {

enum TDragType { dtCopy = 1, dtMove = 2, dtLink = 4 };
Q_DECLARE_FLAGS(TDragTypes, TDragType)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDragTypes)

class TDropTarget : public QObject {
    Q_OBJECT
public:
    using TTargetOnEnterEvent = std::function<void(QObject* sender, QPoint point)>;
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TTargetOnDropEvent = std::function<void(QObject* sender, TDragType type, QPoint point)>;
    // May change the effect chosen from the keys; an effect the source does not offer refuses the drag.
    using TGetDropEffectEvent =
        std::function<void(QObject* sender, Qt::KeyboardModifiers keys, Qt::DropAction& effect)>;

    explicit TDropTarget(QObject* parent = nullptr);
    ~TDropTarget() override;

    TDragTypes Dragtypes = TDragTypes(dtCopy) | dtMove | dtLink;
    bool GetDataOnEnter = false;
    TTargetOnEnterEvent OnEnter;
    TTargetOnEnterEvent OnDragOver;
    TNotifyEvent OnLeave;
    TTargetOnDropEvent OnDrop;
    TGetDropEffectEvent OnGetDropEffect;

    // Registering the control already registered does nothing; another control replaces it. (The
    // system's register and revoke calls could fail; Qt's drop acceptance cannot, so there is no
    // "Failed to Register" here.)
    void Register(QWidget* control);
    void Unregister();
    QWidget* Control() const { return control_; }

    // Shift+Ctrl links, Shift moves, otherwise the first allowed of copy, move, link; each only when
    // both Dragtypes and the source allow it. Then OnGetDropEffect.
    Qt::DropAction DropEffect(Qt::KeyboardModifiers keys, Qt::DropActions possible);

protected:
    // True when the data gave what the target wants.
    virtual bool GetData(const QMimeData& data) = 0;
    virtual void ClearData() = 0;
    virtual bool HasWantedFormat(const QMimeData& data) const = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Attach(QWidget* widget);
    void EndDrag();
    bool HandleDrop(QDropEvent& event, QWidget& widget);

    QPointer<QWidget> control_;
    struct Attached {
        QPointer<QWidget> Widget;
        bool AcceptedDrops = false;
    };
    std::vector<Attached> attached_;
    bool refused_ = false;    // the current drag was refused at enter
    bool have_data_ = false;  // fetched on enter
};

// Local files dropped (the file entries of text/uri-list).
class TDropFileTarget : public TDropTarget {
    Q_OBJECT
public:
    using TDropTarget::TDropTarget;
    QStringList Files;

protected:
    bool GetData(const QMimeData& data) override;
    void ClearData() override { Files.clear(); }
    bool HasWantedFormat(const QMimeData& data) const override;
};

// A dropped URL: a browser link, dropped text, or a dropped ".url" shortcut file.
class TDropURLTarget : public TDropTarget {
    Q_OBJECT
public:
    using TDropTarget::TDropTarget;
    QString URL;

    // The URL of a ".url" shortcut's text: the "URL=" line must follow "[InternetShortcut]" directly.
    // Empty when it does not, or when the URL is empty or longer than 2,048 characters.
    static QString URLFromShortcut(const QByteArray& text);

protected:
    bool GetData(const QMimeData& data) override;
    void ClearData() override { URL.clear(); }
    bool HasWantedFormat(const QMimeData& data) const override;
};

}  // namespace corvane
