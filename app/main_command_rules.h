#pragma once
// The main window's commands, as far as they decide without a window: which task a New command
// asks for, what the profile box and the Downloads menus list, which pasted text counts as a URL,
// what the dated archive is called, which menu items are enabled. The window gathers its state,
// asks here, and carries out the answer. Texts come from the current language.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/date_time.h"

namespace corvane {

// ---- New tasks

enum class TNewTaskCommand {
    Go,               // btnGO, "GO" of popGO
    Map,              // "Map" of popGO
    NewTaskForURL,    // "New Download Task..." of popGO
    NewDownloadTask,  // File/Zip "New Download Task", "Web Zip", "New &Download Task..." of popNew
    NewIntranetSite,  // "New Personal Intranet Website" of popNew
    PasteURL,         // "Paste URL...", tray "Paste URL and download..."
};

// What the window holds when a New command runs.
struct TNewTaskSource {
    std::string URLText;      // cmbURL
    std::string ProfileText;  // cmbProfile
    bool IntranetModeDown = false;
    std::string PastedURL;    // PasteURL only: PastedURL() of the clipboard text
};

// NewTask's arguments; an empty Profile lets the task dialog ask.
struct TNewTaskArgs {
    std::string URL;
    std::string Profile;
    bool IntranetMode = false;
    bool MapOnly = false;
    bool operator==(const TNewTaskArgs&) const = default;
};

TNewTaskArgs NewTaskArgsFor(TNewTaskCommand command, const TNewTaskSource& source);

// The save mode stored by btnCorvaneModeClick and btnIntranetModeClick.
inline constexpr std::uint8_t kZipSaveMode = 0;
inline constexpr std::uint8_t kIntranetSaveMode = 1;

// ---- URL and profile boxes

// The URL Paste URL starts a task for: the first line of the clipboard text, trimmed of blanks, as
// NormalizeURL completes it. Empty, and nothing happens, when there is no such text, NormalizeURL
// refuses it, or its host holds a blank or control byte (a sentence copied, not an address).
std::string PastedURL(const std::string& clipboard_text);

// What Enter in the URL box (and btnBrowser) shows: the box's text trimmed; empty does nothing.
std::string URLBoxTarget(const std::string& box_text);

inline constexpr const char* kCustomProfile = "Custom";
// cmbProfile's items: "Custom", then the base names of the "*.cvp" files in the profiles folder, in
// name order. A file named "Custom.cvp" is left out: it could not be told from the task's own rules.
std::vector<std::string> ProfileBoxItems(const std::string& profiles_dir);

// ---- Browse bar

inline constexpr const char* kBrandingURLFile = "branding.url";
// The "URL" key of section "InternetShortcut" in the folder's "branding.url", trimmed; the outside
// branding page when the file is missing or unreadable or holds no URL.
std::string BrandingURL(const std::string& folder);

// ---- Dated archive

// popNewPopup's caption for "New Corvanes for ": NewCorvanesFor and today's short date.
std::string NewCorvanesForCaption(TDateTime today, const FormatSettings& formats = DisplayFormats());
// The dated archive's file name: DatedArchivePrefix, today's short date with "/" turned into "-", ".zip".
// Every character a file name may not hold (a language's date separator may be ":") becomes "-",
// so the archive always lies directly in the downloads folder.
std::string DatedArchiveName(TDateTime today, const FormatSettings& formats = DisplayFormats());

// ---- Downloads menus

inline constexpr int kDownloadsMenuMax = 25;
inline constexpr const char* kDownloadsMore = "More...";
// The archives a Downloads menu lists: the first 25 "*.zip" file names of the folder, in name order.
// The menu then always ends with "-" and "More...".
std::vector<std::string> DownloadsMenuNames(const std::string& downloads_folder);

// A file name as a menu caption: "&" doubled, so that it shows and makes no accelerator. The item
// keeps the name itself in its data.
std::string MenuCaptionFor(const std::string& name);

// ---- Recent archives

struct TRecentArchiveChoice {
    bool Open = false;    // the archive file exists: open it
    std::string Message;  // otherwise: ArchiveMissing1 + name + ArchiveMissing2; drop it from the list
};
TRecentArchiveChoice RecentArchiveChoice(const std::string& zip_file);

// ---- Archive commands

struct TArchiveWindowState {
    bool Exists = false;
    bool TreeHasSelection = false;
    bool ListOrTreeFocused = false;
};
// MenuEnableClick: File Close and Zip Close, Add, Delete, Unzip and Rename.
bool ArchiveCommandsEnabled(const TArchiveWindowState& state);

enum class TZipDeleteKind {
    Nothing,      // neither the list nor the tree has the focus, or nothing is selected
    ListEntries,  // the list's selected entries, without a question
    TreeNode,     // a folder or entry node, after ZipDeleteQuestion
    Archive,      // the archive's top node: the file goes to the Trash
};
TZipDeleteKind ZipDeleteKindFor(bool list_focused, bool tree_focused, bool tree_selection, bool top_node);
// The Yes/No question before a tree node is deleted: for a whole folder (spec ending in "*.*")
// ConfirmDeleteFolder1 + node text + ConfirmDeleteFolder2, else ConfirmDeleteEntry + node text + "?".
std::string ZipDeleteQuestion(const std::string& node_text, const std::string& spec);

// The unzip dialog's choices: "selected" is preset when the tree's selection lies below an archive's
// top node; overwriting is the component's mode 2, else 0.
inline bool UnzipPresetsSelected(bool selection_below_top) { return selection_below_top; }
inline int UnzipOverwriteMode(bool overwrite) { return overwrite ? 2 : 0; }

enum class TZipBrowseAction { Nothing, ShowInBrowser, LaunchPage };
// Where a browsed archive item goes once extracted. safe_path is its path under the archive's browse
// root ('' when it may not be shown: nothing happens). From the archive list it is shown in the
// browser view; otherwise a page goes to the launcher, and any other file to the browser view: no
// extracted file is handed to the shell, which could run it.
TZipBrowseAction ZipBrowseActionFor(const std::string& safe_path, bool is_page, bool from_list);

// ---- Edit menu

// The focused control, when it is a QLineEdit or an editable QComboBox.
struct TEditTarget {
    bool Editable = false;  // false: some other control has the focus
    bool ReadOnly = false;
    bool HasSelection = false;
    bool CanUndo = false;
};
struct TEditMenuState {
    bool Undo = false;
    bool Cut = false;
    bool Copy = false;
    bool Paste = false;
    bool operator==(const TEditMenuState&) const = default;
};
TEditMenuState EditMenuStateFor(const TEditTarget& target, bool clipboard_has_text);

}  // namespace corvane
