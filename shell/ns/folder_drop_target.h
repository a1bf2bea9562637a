#pragma once
// The drop target of a folder on disk: it takes local files only and copies, moves or links them
// into the folder. Ctrl copies, Shift moves, Ctrl+Shift or Alt links; without keys files move within
// one file system and are copied across. A right-button drop asks the user. A drop never replaces
// what is there: a taken name gets a number.

#include <string>
#include <vector>

#include "shell/ns/com.h"

namespace corvane::shell {

// The local files a data object carries (its file list, else its item-id list array); empty when
// it carries none, or any item that is not an existing local file.
std::vector<std::string> DataObjectFiles(IDataObject* data);

// The effect a drop of these files on the folder takes with these keys, within `allowed`.
std::uint32_t FolderDropEffect(const std::string& folder, const std::vector<std::string>& files,
                               std::uint32_t keyState, std::uint32_t allowed);

class TFolderDropTarget final : public ComObject<IDropTarget> {
public:
    // owner: the window the questions belong to (a QObject, or null).
    TFolderDropTarget(std::string folder, HWND owner) : folder_(std::move(folder)), owner_(owner) {}
    const std::string& Folder() const { return folder_; }

    HRESULT DragEnter(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) override;
    HRESULT DragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) override;

private:
    std::string folder_;
    HWND owner_;
    std::vector<std::string> files_;
    bool rightButton_ = false;
};

// Copies, moves (effect DROPEFFECT_COPY, _MOVE) or links files into the folder; false when any failed.
bool PutFilesInFolder(const std::vector<std::string>& files, const std::string& folder, std::uint32_t effect,
                      HWND owner);

}  // namespace corvane::shell
