#pragma once
// The application's language: which language file is current, the numbered messages (with the
// built-in "Native" language as fallback) and the list of installed languages. Forms' translators
// register here and are re-run whenever the language changes. Qt-free; used on the main thread, except
// that GetLangStr may be called from any thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "localisation/lang_file.h"
#include "localisation/lang_file_edit.h"
#include "platform/rtl/string_list.h"

namespace corvane {

// Anything that translates itself when the language changes (one per form).
class TLangTranslator {
public:
    virtual ~TLangTranslator() = default;
    virtual void Translate() = 0;
};

// Where the chosen language is kept between runs (the "Language" setting).
class LanguageSetting {
public:
    virtual ~LanguageSetting() = default;
    virtual std::string Load() = 0;
    virtual void Store(const std::string& name) = 0;
};

// The folder of the installed language files: the build tree's compiled languages when running from a
// build tree, else <prefix>/share/corvane/lang.
std::string DefaultLanguageDir();

// The default global scan rules, in order.
TStringList DefaultScanRules();

class TKAppLanguage {
public:
    static constexpr const char* kUndefined = "undefined language string";

    explicit TKAppLanguage(std::string langDir = DefaultLanguageDir());
    ~TKAppLanguage();
    TKAppLanguage(const TKAppLanguage&) = delete;
    TKAppLanguage& operator=(const TKAppLanguage&) = delete;

    // Message Id in the current language, else in Native, else "undefined language string". Never throws.
    std::string GetLangStr(std::uint16_t id);

    std::string GetLangFileName() const;
    // Switches language and re-translates every registered form. A name that is not a plain base name
    // or a file that fails to load keeps the previous language: the fault is reported and false returned.
    bool SetLangFileName(const std::string& name);

    // Installed languages: the *.lng files of the language folder without ".lng", sorted by name.
    const TStringList& GetLanguages();

    const std::string& LangDir() const { return langDirText_; }
    // An absolute folder is used as it is; a relative one lies below the installed language folder.
    void SetLangDir(const std::string& dir);
    // The folder language names resolve in (ends with "/").
    std::string LangFolder() const;

    const TStringList& ScanRules() const { return scanRules_; }
    void SetScanRules(const TStringList& rules) { scanRules_.Assign(rules); }

    // The current language's file, loaded on need; null when it cannot be read (reported once).
    TKLangFile* CurrentFile();

    void Register(TLangTranslator* translator);
    void Unregister(TLangTranslator* translator);
    const std::vector<TLangTranslator*>& Instances() const { return instances_; }

    // Faults (a language file that cannot be read) go here; the default writes to stderr.
    void SetErrorReporter(std::function<void(const std::string&)> reporter);

    // At start-up: selects the stored language; a missing or bad setting leaves "Native". Never throws.
    void StartWithSetting(LanguageSetting& setting);
    // From the Language menu: selects the language and stores it only when the switch succeeded.
    bool ChooseLanguage(const std::string& name, LanguageSetting& setting);

    static bool IsValidLanguageName(const std::string& name);

private:
    std::string FileNameOf(const std::string& language) const;
    // Loads the current file under the lock; a failure is returned in `error` and remembered.
    TKLangFile* CurrentFileLocked(std::string& error);
    void Report(const std::string& error) const;
    void ApplyLocaleOf(const TKLangFile& file);

    mutable std::mutex mutex_;
    std::string baseDir_;
    std::string langDirText_;
    std::string langDir_;  // with a trailing "/"
    std::string current_ = "Native";
    std::unique_ptr<TKLangFile> currentFile_;
    bool currentFailed_ = false;
    std::unique_ptr<TkLangFileEdit> nativeFile_;
    bool nativeFailed_ = false;
    TStringList languages_;
    TStringList scanRules_;
    std::vector<TLangTranslator*> instances_;
    std::function<void(const std::string&)> reporter_;
    bool localeApplied_ = false;
};

// The one application-wide language object.
TKAppLanguage& AppLanguage();

}  // namespace corvane
