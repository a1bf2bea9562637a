#include "widgets/lang_adapters/widget_lang_adapters.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTreeView>
#include <mutex>

#include "localisation/lang_adapters.h"

namespace corvane {

namespace {

template <class W>
W* As(QObject* o) {
    return static_cast<W*>(o);
}

// A page of a tab widget: its caption is the tab's text.
QTabWidget* TabOwner(QObject* o) {
    auto* stack = qobject_cast<QStackedWidget*>(o->parent());
    return stack ? qobject_cast<QTabWidget*>(stack->parent()) : nullptr;
}

LangStringProperty Text(const char* name, std::function<QString(QObject*)> get,
                        std::function<void(QObject*, const QString&)> set) {
    LangStringProperty p;
    p.Name = name;
    p.Get = std::move(get);
    p.Set = std::move(set);
    return p;
}

LangStringProperty List(const char* name, std::function<QStringList(QObject*)> get,
                        std::function<void(QObject*, const QStringList&)> set) {
    LangStringProperty p;
    p.Name = name;
    p.IsList = true;
    p.GetList = std::move(get);
    p.SetList = std::move(set);
    return p;
}

LangClassAdapter WidgetAdapter() {
    LangClassAdapter a;
    LangStringProperty caption = Text(
        "Caption",
        [](QObject* o) {
            if (QTabWidget* tabs = TabOwner(o)) return tabs->tabText(tabs->indexOf(As<QWidget>(o)));
            return As<QWidget>(o)->windowTitle();
        },
        [](QObject* o, const QString& s) {
            if (QTabWidget* tabs = TabOwner(o)) tabs->setTabText(tabs->indexOf(As<QWidget>(o)), s);
            else As<QWidget>(o)->setWindowTitle(s);
        });
    // A menu is a window too, but its caption is its title (QMenu's adapter).
    caption.Applies = [](QObject* o) {
        return (As<QWidget>(o)->isWindow() && !qobject_cast<QMenu*>(o)) || TabOwner(o) != nullptr;
    };
    caption.RuleClass = [](QObject* o) { return TabOwner(o) ? std::string("TTabSheet") : LangClassName(o); };
    a.Strings.push_back(caption);
    a.Strings.push_back(Text(
        "Hint", [](QObject* o) { return As<QWidget>(o)->toolTip(); },
        [](QObject* o, const QString& s) { As<QWidget>(o)->setToolTip(s); }));
    a.SetFont = [](QObject* o, const TkFontItem& item) {
        QFont font = As<QWidget>(o)->font();
        font.setFamily(QString::fromStdString(item.Name));
        if (item.Size > 0) font.setPointSize(item.Size);
        const TFontStyles style = item.GetStyle();
        font.setBold(style.Bold);
        font.setItalic(style.Italic);
        font.setUnderline(style.Underline);
        font.setStrikeOut(style.StrikeOut);
        As<QWidget>(o)->setFont(font);
    };
    a.SetBiDi = [](QObject* o, bool rightToLeft) {
        if (rightToLeft) As<QWidget>(o)->setLayoutDirection(Qt::RightToLeft);
        else As<QWidget>(o)->unsetLayoutDirection();
    };
    return a;
}

LangCollectionProperty HeaderColumns() {
    LangCollectionProperty c;
    c.Name = "Columns";
    c.ItemClass = "TListColumn";
    c.ItemProperty = "Caption";
    c.Count = [](QObject* o) {
        QAbstractItemModel* m = As<QAbstractItemView>(o)->model();
        return m ? m->columnCount() : 0;
    };
    c.Get = [](QObject* o, int i) {
        return As<QAbstractItemView>(o)->model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
    };
    c.Set = [](QObject* o, int i, const QString& s) {
        As<QAbstractItemView>(o)->model()->setHeaderData(i, Qt::Horizontal, s, Qt::DisplayRole);
    };
    return c;
}

void RegisterAll() {
    RegisterLangAdapter(&QWidget::staticMetaObject, WidgetAdapter());

    auto caption = [](const QMetaObject* meta, std::function<QString(QObject*)> get,
                      std::function<void(QObject*, const QString&)> set) {
        LangClassAdapter a;
        a.Strings.push_back(Text("Caption", std::move(get), std::move(set)));
        RegisterLangAdapter(meta, a);
    };
    caption(
        &QAbstractButton::staticMetaObject, [](QObject* o) { return As<QAbstractButton>(o)->text(); },
        [](QObject* o, const QString& s) { As<QAbstractButton>(o)->setText(s); });
    caption(
        &QLabel::staticMetaObject, [](QObject* o) { return As<QLabel>(o)->text(); },
        [](QObject* o, const QString& s) { As<QLabel>(o)->setText(s); });
    caption(
        &QGroupBox::staticMetaObject, [](QObject* o) { return As<QGroupBox>(o)->title(); },
        [](QObject* o, const QString& s) { As<QGroupBox>(o)->setTitle(s); });
    caption(
        &QMenu::staticMetaObject, [](QObject* o) { return As<QMenu>(o)->title(); },
        [](QObject* o, const QString& s) { As<QMenu>(o)->setTitle(s); });

    LangClassAdapter action;
    action.Strings.push_back(Text(
        "Caption", [](QObject* o) { return As<QAction>(o)->text(); },
        [](QObject* o, const QString& s) { As<QAction>(o)->setText(s); }));
    action.Strings.push_back(Text(
        "Hint", [](QObject* o) { return As<QAction>(o)->toolTip(); },
        [](QObject* o, const QString& s) { As<QAction>(o)->setToolTip(s); }));
    RegisterLangAdapter(&QAction::staticMetaObject, action);

    LangClassAdapter edit;
    edit.Strings.push_back(Text(
        "Text", [](QObject* o) { return As<QLineEdit>(o)->text(); },
        [](QObject* o, const QString& s) { As<QLineEdit>(o)->setText(s); }));
    RegisterLangAdapter(&QLineEdit::staticMetaObject, edit);

    LangClassAdapter combo;
    combo.Strings.push_back(List(
        "Items",
        [](QObject* o) {
            QStringList items;
            for (int i = 0; i < As<QComboBox>(o)->count(); ++i) items << As<QComboBox>(o)->itemText(i);
            return items;
        },
        [](QObject* o, const QStringList& items) {
            auto* box = As<QComboBox>(o);
            const int current = box->currentIndex();
            box->clear();
            box->addItems(items);
            if (current >= 0 && current < box->count()) box->setCurrentIndex(current);
        }));
    RegisterLangAdapter(&QComboBox::staticMetaObject, combo);

    LangClassAdapter list;
    list.Strings.push_back(List(
        "Items",
        [](QObject* o) {
            QStringList items;
            for (int i = 0; i < As<QListWidget>(o)->count(); ++i) items << As<QListWidget>(o)->item(i)->text();
            return items;
        },
        [](QObject* o, const QStringList& items) {
            As<QListWidget>(o)->clear();
            As<QListWidget>(o)->addItems(items);
        }));
    RegisterLangAdapter(&QListWidget::staticMetaObject, list);

    LangClassAdapter plain;
    plain.Strings.push_back(List(
        "Lines", [](QObject* o) { return As<QPlainTextEdit>(o)->toPlainText().split(QLatin1Char('\n')); },
        [](QObject* o, const QStringList& lines) { As<QPlainTextEdit>(o)->setPlainText(lines.join('\n')); }));
    RegisterLangAdapter(&QPlainTextEdit::staticMetaObject, plain);

    LangClassAdapter rich;
    rich.Strings.push_back(List(
        "Lines", [](QObject* o) { return As<QTextEdit>(o)->toPlainText().split(QLatin1Char('\n')); },
        [](QObject* o, const QStringList& lines) { As<QTextEdit>(o)->setPlainText(lines.join('\n')); }));
    RegisterLangAdapter(&QTextEdit::staticMetaObject, rich);

    LangClassAdapter columns;
    columns.Collections.push_back(HeaderColumns());
    RegisterLangAdapter(&QTreeView::staticMetaObject, columns);
    RegisterLangAdapter(&QTableView::staticMetaObject, columns);
}

}  // namespace

void RegisterWidgetLangAdapters() {
    static std::once_flag once;
    std::call_once(once, RegisterAll);
}

}  // namespace corvane
