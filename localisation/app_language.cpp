#include "localisation/app_language.h"

#include <algorithm>
#include <dirent.h>
#include <iostream>
#include <sys/stat.h>

#include "platform/rtl/date_time.h"

namespace corvane {

TStringList DefaultScanRules() {
    return TStringList({"+Caption", "+DisplayLabel", "+Hint", "+Text", "+Header", "+ReportTitle", "+Items",
                        "+Lines", "+Values", "+Hints"});
}

namespace {
std::string WithSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}
// The display formats before any language's locale block replaced them.
FormatSettings& OriginalFormats() {
    static FormatSettings original = DisplayFormats();
    return original;
}
}  // namespace

TKAppLanguage::TKAppLanguage(std::string langDir)
    : baseDir_(WithSlash(langDir)), langDir_(baseDir_), scanRules_(DefaultScanRules()) {}

TKAppLanguage::~TKAppLanguage() = default;

bool TKAppLanguage::IsValidLanguageName(const std::string& name) {
    if (name.empty() || name.size() > 200) return false;
    if (name == "." || name.find("..") != std::string::npos) return false;
    for (unsigned char c : name)
        if (c == '/' || c == '\\' || c < 0x20) return false;
    return true;
}

std::string TKAppLanguage::LangFolder() const {
    std::lock_guard lock(mutex_);
    return langDir_;
}

std::string TKAppLanguage::FileNameOf(const std::string& language) const {
    return ExpandLangFileName(langDir_ + language);
}

void TKAppLanguage::Report(const std::string& error) const {
    if (error.empty()) return;
    if (reporter_) reporter_(error);
    else std::cerr << "Corvane: " << error << "\n";
}

void TKAppLanguage::SetErrorReporter(std::function<void(const std::string&)> reporter) {
    reporter_ = std::move(reporter);
}

void TKAppLanguage::ApplyLocaleOf(const TKLangFile& file) {
    // A language without a locale block gets the original formats back, not the previous language's.
    if (!file.Empty && file.HasLocale) {
        OriginalFormats();
        file.ApplyLocale();
        localeApplied_ = true;
    } else if (localeApplied_) {
        DisplayFormats() = OriginalFormats();
        localeApplied_ = false;
    }
}

TKLangFile* TKAppLanguage::CurrentFileLocked(std::string& error) {
    if (currentFile_ || currentFailed_) return currentFile_.get();
    try {
        if (!IsValidLanguageName(current_)) throw ELangFileError("Not a language name: \"" + current_ + "\"");
        currentFile_ = std::make_unique<TKLangFile>(FileNameOf(current_));
        ApplyLocaleOf(*currentFile_);
    } catch (const std::exception& e) {
        currentFailed_ = true;
        error = e.what();
    }
    return currentFile_.get();
}

TKLangFile* TKAppLanguage::CurrentFile() {
    std::string error;
    TKLangFile* file = nullptr;
    {
        std::lock_guard lock(mutex_);
        file = CurrentFileLocked(error);
    }
    Report(error);
    return file;
}

std::string TKAppLanguage::GetLangStr(std::uint16_t id) {
    std::string errors;
    std::string result;
    {
        std::lock_guard lock(mutex_);
        bool found = false;
        if (TKLangFile* file = CurrentFileLocked(errors))
            if (auto entry = file->FindStr(id)) {
                result = entry->Text();
                found = true;
            }
        if (!found) {
            if (!nativeFile_ && !nativeFailed_) {
                try {
                    nativeFile_ = std::make_unique<TkLangFileEdit>(FileNameOf("Native"));
                } catch (const std::exception& e) {
                    nativeFailed_ = true;
                    errors += (errors.empty() ? "" : "\n") + std::string(e.what());
                }
            }
            const auto entry = nativeFile_ ? nativeFile_->FindStr(id) : std::nullopt;
            result = entry ? entry->Text() : std::string(kUndefined);
        }
    }
    Report(errors);
    return result;
}

std::string TKAppLanguage::GetLangFileName() const {
    std::lock_guard lock(mutex_);
    return current_;
}

bool TKAppLanguage::SetLangFileName(const std::string& name) {
    std::string error;
    {
        std::lock_guard lock(mutex_);
        try {
            if (!IsValidLanguageName(name)) throw ELangFileError("Not a language name: \"" + name + "\"");
            auto file = std::make_unique<TKLangFile>(FileNameOf(name));
            current_ = name;
            currentFile_ = std::move(file);
            currentFailed_ = false;
            ApplyLocaleOf(*currentFile_);
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    if (!error.empty()) {
        Report(error);
        return false;
    }
    const std::vector<TLangTranslator*> forms = instances_;  // a translation may create or close forms
    for (TLangTranslator* form : forms)
        if (std::find(instances_.begin(), instances_.end(), form) != instances_.end()) form->Translate();
    return true;
}

const TStringList& TKAppLanguage::GetLanguages() {
    std::vector<std::string> names;
    const std::string dir = LangFolder();
    if (DIR* d = opendir(dir.empty() ? "." : dir.c_str())) {
        while (const dirent* entry = readdir(d)) {
            const std::string file = entry->d_name;
            if (file.size() <= 4 || file.compare(file.size() - 4, 4, ".lng") != 0) continue;
            struct stat st {};
            if (stat((dir + file).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            names.push_back(file.substr(0, file.size() - 4));
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int c = CompareText(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    languages_ = TStringList(names);
    return languages_;
}

void TKAppLanguage::SetLangDir(const std::string& dir) {
    std::lock_guard lock(mutex_);
    if (dir == langDirText_) return;
    langDirText_ = dir;
    langDir_ = WithSlash(!dir.empty() && dir[0] == '/' ? dir : baseDir_ + dir);
    currentFile_.reset();
    currentFailed_ = false;
    nativeFile_.reset();
    nativeFailed_ = false;
}

void TKAppLanguage::Register(TLangTranslator* translator) {
    if (std::find(instances_.begin(), instances_.end(), translator) == instances_.end())
        instances_.push_back(translator);
}

void TKAppLanguage::Unregister(TLangTranslator* translator) {
    instances_.erase(std::remove(instances_.begin(), instances_.end(), translator), instances_.end());
    if (instances_.empty()) {
        std::lock_guard lock(mutex_);
        currentFile_.reset();
        currentFailed_ = false;
    }
}

void TKAppLanguage::StartWithSetting(LanguageSetting& setting) {
    std::string name;
    try {
        name = setting.Load();
    } catch (const std::exception& e) {
        Report(std::string("Cannot read the language setting: ") + e.what());
    }
    if (name.empty() || SameText(name, "Native")) return;
    SetLangFileName(name);  // a bad name or file is reported and leaves Native
}

bool TKAppLanguage::ChooseLanguage(const std::string& name, LanguageSetting& setting) {
    if (!SetLangFileName(name)) return false;
    try {
        setting.Store(GetLangFileName());
    } catch (const std::exception& e) {
        Report(std::string("Cannot store the language setting: ") + e.what());
    }
    return true;
}

TKAppLanguage& AppLanguage() {
    static TKAppLanguage language;
    return language;
}

}  // namespace corvane
