#pragma once
// The per-form translator. Created with its form as parent, it registers with the application's
// language and, on Translate, walks the form: the form itself (path "") and every named object below
// it (path = the object's name, flat as the form's ownership is, whatever Qt's parent chain), except
// objects named "" or "qt_..." and child windows that carry a translator of their own. Each text
// property that an adapter presents and the rules admit is looked up in the current language file
// under section = the form's object name and path = object name + "." + property path.

#include <QObject>
#include <functional>
#include <string>

#include "localisation/app_language.h"
#include "localisation/lang_adapters.h"

namespace corvane {

class TKMLang : public QObject, public TLangTranslator {
    Q_OBJECT
public:
    using TTransEvent = std::function<void(const std::string& newLang)>;

    explicit TKMLang(QObject* form, TKAppLanguage& language = AppLanguage());
    ~TKMLang() override;

    // Every form calls this at the end of its constructor: translates unless the language is Native.
    void Loaded();
    void Translate() override;
    // Records every admitted text of the form into the file: new keys get Id LastFormId + 1, changed texts
    // are updated, texts that became empty are removed. The caller saves the file.
    void Capture(TkLangFileEdit& target);

    std::string LangDir() const { return language_.LangDir(); }
    void SetLangDir(const std::string& dir) { language_.SetLangDir(dir); }
    std::string LangFileName() const { return language_.GetLangFileName(); }
    void SetLangFileName(const std::string& name) { language_.SetLangFileName(name); }
    const TStringList& LocalRules() const { return localRules_; }
    void SetLocalRules(const TStringList& rules);
    const TStringList& GlobalRules() const { return language_.ScanRules(); }
    void SetGlobalRules(const TStringList& rules);
    const TStringList& Rules() const { return rules_; }

    TTransEvent BeforeTrans;
    TTransEvent AfterTrans;

    // Admitted when the rules hold "+Prop" or "+Class.Prop" and not "-Class.Prop" (any letter case).
    bool RuleTest(const std::string& className, const std::string& propName) const;
    static std::string JoinPath(const std::string& prefix, const std::string& name);

private:
    enum class Mode { Capture, Translate };
    struct Visit;

    void RebuildRules();
    void Walk(Mode mode, TkLangFileEdit* target);
    void WalkChildren(QObject* parent, Visit& visit);
    void VisitObject(QObject* object, const std::string& path, Visit& visit);
    void HandleString(const std::string& path, const std::string& className,
                      const std::string& propName, const std::function<QString()>& get,
                      const std::function<void(const QString&)>& set, Visit& visit);

    TKAppLanguage& language_;
    TStringList localRules_;
    TStringList rules_;
};

}  // namespace corvane
