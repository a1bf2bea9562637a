#include "app/main_command_rules.h"

#include <algorithm>
#include <filesystem>

#include "engine/support/file_routines.h"
#include "engine/parse/url_model.h"
#include "localisation/app_language.h"
#include "localisation/message_ids.h"
#include "platform/inifile/ini_file.h"
#include "platform/rtl/paths.h"
#include "platform/rtl/string_list.h"
#include "widgets/outside_pages.h"

namespace corvane {
namespace {

std::string Message(std::uint16_t id) { return AppLanguage().GetLangStr(id); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The sorted file names matching the mask of a folder; empty when it cannot be read.
std::vector<std::string> FilesOf(const std::string& folder, const char* mask) {
    TStringList files;
    if (!ListFiles(WithTrailingSlash(folder), mask, files)) return {};
    return files.Items();
}

}  // namespace

TNewTaskArgs NewTaskArgsFor(TNewTaskCommand command, const TNewTaskSource& source) {
    TNewTaskArgs args;
    args.IntranetMode = source.IntranetModeDown;
    switch (command) {
        case TNewTaskCommand::Go:
            args.URL = source.URLText;
            args.Profile = source.ProfileText;
            break;
        case TNewTaskCommand::Map:
            args.URL = source.URLText;
            args.Profile = source.ProfileText;
            args.MapOnly = true;
            break;
        case TNewTaskCommand::NewTaskForURL:
            args.URL = source.URLText;
            break;
        case TNewTaskCommand::NewDownloadTask:
            break;
        case TNewTaskCommand::NewIntranetSite:
            args.IntranetMode = true;
            break;
        case TNewTaskCommand::PasteURL:
            args.URL = source.PastedURL;
            break;
    }
    return args;
}

std::string PastedURL(const std::string& clipboard_text) {
    // A single-line edit box keeps the first line of what is pasted into it.
    std::string url = TrimBlanks(clipboard_text.substr(0, clipboard_text.find_first_of("\r\n")));
    if (url.empty() || !NormalizeURL(url)) return {};
    const std::string host = TbrURL(url).Host;
    if (std::any_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }))
        return {};
    return url;
}

std::string URLBoxTarget(const std::string& box_text) { return TrimBlanks(box_text); }

std::vector<std::string> ProfileBoxItems(const std::string& profiles_dir) {
    std::vector<std::string> items = {kCustomProfile};
    std::vector<std::string> names;
    for (const std::string& file : FilesOf(profiles_dir, "*.cvp")) {
        std::string name = FileNameNoExt(file);
        if (!name.empty() && !SameText(name, kCustomProfile)) names.push_back(std::move(name));
    }
    // Sorted by base name: "a b.cvp" and "a.cvp" sort the other way round as whole names.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    items.insert(items.end(), names.begin(), names.end());
    return items;
}

std::string BrandingURL(const std::string& folder) {
    std::string url;
    try {
        const TIniFile ini(WithTrailingSlash(folder) + kBrandingURLFile);
        url = TrimBlanks(ini.ReadString("InternetShortcut", "URL", ""));
    } catch (const EIniFileException&) {
        url.clear();
    }
    return url.empty() ? std::string(outside_pages::kBranding) : url;
}

std::string NewCorvanesForCaption(TDateTime today, const FormatSettings& formats) {
    return Message(msg::NewCorvanesFor) + FormatDateTime(formats.ShortDateFormat, today, formats);
}

std::string DatedArchiveName(TDateTime today, const FormatSettings& formats) {
    std::string date = FormatDateTime(formats.ShortDateFormat, today, formats);
    std::replace(date.begin(), date.end(), '/', '-');
    return ReplaceInvalidFileChars(Message(msg::DatedArchivePrefix) + date + ".zip", '-');
}

std::vector<std::string> DownloadsMenuNames(const std::string& downloads_folder) {
    std::vector<std::string> names = FilesOf(downloads_folder, "*.zip");
    if (names.size() > static_cast<std::size_t>(kDownloadsMenuMax)) names.resize(kDownloadsMenuMax);
    return names;
}

std::string MenuCaptionFor(const std::string& name) {
    std::string caption;
    caption.reserve(name.size());
    for (const char c : name) {
        if (c == '&') caption += '&';
        caption += c;
    }
    return caption;
}

TRecentArchiveChoice RecentArchiveChoice(const std::string& zip_file) {
    std::error_code error;
    if (std::filesystem::is_regular_file(zip_file, error)) return {true, {}};
    return {false, Message(msg::ArchiveMissing1) + zip_file + Message(msg::ArchiveMissing2)};
}

bool ArchiveCommandsEnabled(const TArchiveWindowState& state) {
    return state.Exists && state.TreeHasSelection && state.ListOrTreeFocused;
}

TZipDeleteKind ZipDeleteKindFor(bool list_focused, bool tree_focused, bool tree_selection, bool top_node) {
    if (list_focused) return TZipDeleteKind::ListEntries;
    if (!tree_focused || !tree_selection) return TZipDeleteKind::Nothing;
    return top_node ? TZipDeleteKind::Archive : TZipDeleteKind::TreeNode;
}

std::string ZipDeleteQuestion(const std::string& node_text, const std::string& spec) {
    if (spec.ends_with("*.*"))
        return Message(msg::ConfirmDeleteFolder1) + node_text + Message(msg::ConfirmDeleteFolder2);
    return Message(msg::ConfirmDeleteEntry) + node_text + "?";
}

TZipBrowseAction ZipBrowseActionFor(const std::string& safe_path, bool is_page, bool from_list) {
    if (safe_path.empty()) return TZipBrowseAction::Nothing;
    if (is_page && !from_list) return TZipBrowseAction::LaunchPage;
    return TZipBrowseAction::ShowInBrowser;
}

TEditMenuState EditMenuStateFor(const TEditTarget& target, bool clipboard_has_text) {
    TEditMenuState state;
    if (!target.Editable) return state;
    const bool writable = !target.ReadOnly;
    state.Undo = writable && target.CanUndo;
    state.Cut = writable && target.HasSelection;
    state.Copy = target.HasSelection;
    state.Paste = writable && clipboard_has_text;
    return state;
}

}  // namespace corvane
