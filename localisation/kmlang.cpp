#include "localisation/kmlang.h"

#include <QRegularExpression>

namespace corvane {

struct TKMLang::Visit {
    Mode mode;
    std::string section;
    TKLangFile* file = nullptr;        // translating
    TkLangFileEdit* target = nullptr;  // capturing
    QObject* fontObject = nullptr;     // the control whose font an entry's font applies to
    const LangClassAdapter* fontAdapter = nullptr;
};

namespace {

QStringList SplitLines(const QString& text) {
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QRegularExpression("\r\n|\n|\r"));
    if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();  // a final line break ends a line
    return lines;
}

}  // namespace

TKMLang::TKMLang(QObject* form, TKAppLanguage& language) : QObject(form), language_(language) {
    RebuildRules();
    language_.Register(this);
}

TKMLang::~TKMLang() { language_.Unregister(this); }

std::string TKMLang::JoinPath(const std::string& prefix, const std::string& name) {
    return prefix.empty() ? name : prefix + "." + name;
}

void TKMLang::RebuildRules() {
    rules_.Clear();
    rules_.AddStrings(language_.ScanRules());
    rules_.AddStrings(localRules_);
}

void TKMLang::SetLocalRules(const TStringList& rules) {
    localRules_.Assign(rules);
    RebuildRules();
}

void TKMLang::SetGlobalRules(const TStringList& rules) {
    language_.SetScanRules(rules);
    RebuildRules();
}

bool TKMLang::RuleTest(const std::string& className, const std::string& propName) const {
    const std::string qualified = className + "." + propName;
    if (rules_.IndexOf("-" + qualified) >= 0) return false;
    return rules_.IndexOf("+" + propName) >= 0 || rules_.IndexOf("+" + qualified) >= 0;
}

void TKMLang::Loaded() {
    RebuildRules();
    if (!SameText(language_.GetLangFileName(), "native")) Translate();
}

void TKMLang::Translate() {
    const std::string lang = language_.GetLangFileName();
    if (BeforeTrans) BeforeTrans(lang);
    Walk(Mode::Translate, nullptr);
    if (AfterTrans) AfterTrans(lang);
}

void TKMLang::Capture(TkLangFileEdit& target) { Walk(Mode::Capture, &target); }

void TKMLang::Walk(Mode mode, TkLangFileEdit* target) {
    QObject* form = parent();
    if (!form) return;
    Visit visit{mode, form->objectName().toStdString()};
    if (mode == Mode::Translate) {
        visit.file = language_.CurrentFile();
        if (!visit.file) return;  // unreadable language (reported): the form keeps its texts
    } else {
        visit.target = target;
    }
    VisitObject(form, "", visit);
    WalkChildren(form, visit);
}

void TKMLang::WalkChildren(QObject* parent, Visit& visit) {
    for (QObject* child : parent->children()) {
        if (qobject_cast<TKMLang*>(child)) continue;
        // A docked view or other form inside this one is translated by its own translator.
        if (child->findChild<TKMLang*>(QString(), Qt::FindDirectChildrenOnly)) continue;
        const QString name = child->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) VisitObject(child, name.toStdString(), visit);
        WalkChildren(child, visit);
    }
}

void TKMLang::VisitObject(QObject* object, const std::string& path, Visit& visit) {
    const auto adapters = LangAdaptersFor(object);
    for (const LangClassAdapter* adapter : adapters) {
        if (adapter->SetFont) {
            visit.fontObject = object;
            visit.fontAdapter = adapter;
        }
    }
    if (visit.mode == Mode::Translate) {
        for (auto it = adapters.rbegin(); it != adapters.rend(); ++it)
            if ((*it)->SetBiDi) {
                (*it)->SetBiDi(object, visit.file->BiDiMode != 0);
                break;
            }
    }
    const std::string ownClass = LangClassName(object);
    for (const LangClassAdapter* adapter : adapters) {
        for (const LangStringProperty& prop : adapter->Strings) {
            if (prop.Applies && !prop.Applies(object)) continue;
            const std::string className = prop.RuleClass ? prop.RuleClass(object) : ownClass;
            if (prop.IsList) {
                // A string list is tested against the list's own class, as its owner's property.
                HandleString(
                    path, "TStrings", prop.Name,
                    [&] { return prop.GetList(object).join(QStringLiteral("\r\n")); },
                    [&](const QString& text) { prop.SetList(object, SplitLines(text)); }, visit);
            } else {
                HandleString(
                    path, className, prop.Name, [&] { return prop.Get(object); },
                    [&](const QString& text) { prop.Set(object, text); }, visit);
            }
        }
        for (const LangCollectionProperty& collection : adapter->Collections) {
            const int count = collection.Count(object);
            for (int i = 0; i < count; ++i) {
                const std::string itemPath = JoinPath(JoinPath(path, collection.Name), "Item" + std::to_string(i));
                HandleString(
                    itemPath, collection.ItemClass, collection.ItemProperty,
                    [&] { return collection.Get(object, i); },
                    [&](const QString& text) { collection.Set(object, i, text); }, visit);
            }
        }
    }
}

void TKMLang::HandleString(const std::string& path, const std::string& className,
                           const std::string& propName, const std::function<QString()>& get,
                           const std::function<void(const QString&)>& set, Visit& visit) {
    if (!RuleTest(className, propName)) return;
    const std::string key = JoinPath(path, propName);
    if (visit.mode == Mode::Capture) {
        TkLangFileEdit& target = *visit.target;
        const std::string text = get().toStdString();
        if (!target.Props.FindByName(visit.section, key)) {
            if (!text.empty()) {
                const auto id = static_cast<std::uint16_t>(target.LastFormId() + 1);
                if (id >= TkLangFileEdit::kFirstAddedMessageId)
                    throw ELangFileError("No Id left for " + visit.section + "." + key);
                target.AddProp(id, visit.section, key, text, 0);
            }
        } else if (text.empty()) {
            target.DeleteProp(visit.section, key);
        } else {
            const auto entry = target.FindStr(target.Props.CurrentId());
            if (entry) target.SetStr(entry->Id(), text, entry->FontIndex());
            else target.InsertStr(target.Props.CurrentId(), text, 0);
        }
        return;
    }
    const auto entry = visit.file->FindStrByName(visit.section, key);
    if (!entry) return;  // not in this language: the property keeps its text
    set(QString::fromStdString(entry->Text()));
    const int fontIndex = entry->FontIndex();
    if (visit.fontObject && fontIndex >= 1 && fontIndex <= visit.file->FontCount())
        visit.fontAdapter->SetFont(visit.fontObject, visit.file->FontAt(fontIndex - 1));
}

}  // namespace corvane
