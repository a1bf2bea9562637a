#include "shell/ns/shell_clipboard.h"

#include "shell/ns/file_uris.h"

namespace corvane::shell {

namespace {

TShellClipboard* installed = nullptr;

}  // namespace

TShellClipboard* ShellClipboard() { return installed; }

TShellClipboard* SetShellClipboard(TShellClipboard* clipboard) {
    TShellClipboard* previous = installed;
    installed = clipboard;
    return previous;
}

TClipboardFiles ClipboardFiles() {
    TClipboardFiles files;
    if (installed == nullptr) return files;
    // The copied-files list says cut or copy in its first line; the URL list carries the same files.
    const std::string copied = installed->Format(kMimeCopiedFiles);
    if (!copied.empty()) {
        const std::size_t end = copied.find('\n');
        std::string verb = copied.substr(0, end);
        if (!verb.empty() && verb.back() == '\r') verb.pop_back();
        files.cut = verb == "cut";
        if (end != std::string::npos) files.paths = PathsFromUriList(copied.substr(end + 1));
    }
    if (files.paths.empty()) files.paths = PathsFromUriList(installed->Format(kMimeUriList));
    return files;
}

void PutFilesOnClipboard(const std::vector<std::string>& paths, bool cut, const std::string& idListArray) {
    if (installed == nullptr) return;
    std::string copied = cut ? "cut" : "copy";
    std::string text;
    for (const std::string& path : paths) {
        copied += "\n" + FileUriFromPath(path);
        text += (text.empty() ? "" : "\n") + path;
    }
    TShellClipboard::Formats formats = {
        {kMimeUriList, UriListFromPaths(paths)},
        {kMimeCopiedFiles, copied},
        {kMimeText, text},
    };
    if (!idListArray.empty()) formats.emplace_back(kMimeShellIdList, idListArray);
    installed->SetFormats(formats);
}

}  // namespace corvane::shell
