#pragma once
// The clipboard the shell's verbs cut, copy and paste through: a set of MIME formats with their
// bytes. The program installs one over the system clipboard; with none installed nothing is kept.

#include <string>
#include <utility>
#include <vector>

namespace corvane::shell {

inline constexpr const char* kMimeUriList = "text/uri-list";
inline constexpr const char* kMimeCopiedFiles = "x-special/gnome-copied-files";
inline constexpr const char* kMimeText = "text/plain";
inline constexpr const char* kMimeShellIdList = "application/x-corvane-shell-idlist";

class TShellClipboard {
public:
    using Formats = std::vector<std::pair<std::string, std::string>>;  // MIME type, bytes

    virtual ~TShellClipboard() = default;
    // Replaces the clipboard's content.
    virtual void SetFormats(const Formats& formats) = 0;
    // The bytes of one format; '' when the clipboard does not hold it.
    virtual std::string Format(const std::string& mime) const = 0;
    virtual void Clear() = 0;
};

// The installed clipboard, null when none. The caller keeps ownership; main thread only.
TShellClipboard* ShellClipboard();
TShellClipboard* SetShellClipboard(TShellClipboard* clipboard);

// What a paste would take: the local files of the clipboard and whether they were cut.
struct TClipboardFiles {
    std::vector<std::string> paths;
    bool cut = false;
};
TClipboardFiles ClipboardFiles();

// Puts files on the clipboard as a URL list, the desktop's copied-files list, text and our
// item-id list array (given as its bytes; empty: left out).
void PutFilesOnClipboard(const std::vector<std::string>& paths, bool cut, const std::string& idListArray);

}  // namespace corvane::shell
