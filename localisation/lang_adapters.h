#pragma once
// The language files name text properties as the class library publishes them (Caption, Hint, Text,
// Items, Lines, Columns, ...). Qt classes name theirs differently, so each Qt class that carries
// translatable text registers an adapter presenting those names. The translator walks an object's
// adapters from its base class down, in registration order within a class.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "localisation/lang_file.h"

namespace corvane {

// A text property, or a string list (Items, Lines) when IsList.
struct LangStringProperty {
    std::string Name;
    bool IsList = false;
    std::function<bool(QObject*)> Applies;  // empty: always present
    std::function<QString(QObject*)> Get;
    std::function<void(QObject*, const QString&)> Set;
    std::function<QStringList(QObject*)> GetList;
    std::function<void(QObject*, const QStringList&)> SetList;
    // The class the rules test against; empty: the object's own class (LangClassName).
    std::function<std::string(QObject*)> RuleClass;
};

// A collection whose items each carry one text: keyed Name.ItemN.ItemProperty (list view columns).
struct LangCollectionProperty {
    std::string Name;
    std::string ItemClass;
    std::string ItemProperty;
    std::function<int(QObject*)> Count;
    std::function<QString(QObject*, int)> Get;
    std::function<void(QObject*, int, const QString&)> Set;
};

struct LangClassAdapter {
    std::vector<LangStringProperty> Strings;
    std::vector<LangCollectionProperty> Collections;
    // A visual control's font (the translator's current font) and reading order.
    std::function<void(QObject*, const TkFontItem&)> SetFont;
    std::function<void(QObject*, bool rightToLeft)> SetBiDi;
};

// Adds to the adapter of exactly this class (registering twice appends).
void RegisterLangAdapter(const QMetaObject* meta, const LangClassAdapter& adapter);
// The adapters that apply to the object, base classes first.
std::vector<const LangClassAdapter*> LangAdaptersFor(const QObject* object);
void ClearLangAdapters();

// The object's class name for the rules, without a namespace ("corvane::TFormCorvane" -> "TFormCorvane").
std::string LangClassName(const QObject* object);

}  // namespace corvane
