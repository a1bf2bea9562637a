#pragma once
// The shell data of one row of the shell list: the item relative to the shown folder, and, made when
// first asked, its absolute list, its name, its icon and its detail texts.

#include <cstdint>
#include <string>

#include "shell/ns/com.h"
#include "shell/ns/pidl.h"

namespace corvane::shell {

class TPTCustomShellList;

class TPTShListData {
public:
    // attributes: what the fill learnt of the item (it decides "System Folder" in the details).
    TPTShListData(TPTCustomShellList* owner, UniquePidl relative, std::uint32_t attributes);
    TPTShListData(const TPTShListData&) = delete;
    TPTShListData& operator=(const TPTShListData&) = delete;

    TPTCustomShellList* Owner() const { return owner_; }
    PCItemIDList RelIdList() const { return relative_.get(); }
    // A new item (after a rename): every cache is dropped.
    void SetRelIdList(UniquePidl relative);
    PCItemIDList AbsIdList();

    // Asked of the shown folder each time.
    std::uint32_t Attributes();
    bool IsFolder();
    // A symlink.
    bool IsLink();
    bool IsFileSystemRenamable();
    std::string Path();
    const std::string& DisplayName();
    // 0 name, 1 size, 2 type, 3 modified; '' for other columns.
    std::string ColumnText(int column);
    int ImageIndex();
    // The file changed: the details are read again when next drawn.
    void ForgetDetails() { detailsLoaded_ = false; }

private:
    void LoadDetails();

    TPTCustomShellList* owner_;
    UniquePidl relative_;
    UniquePidl absolute_;
    std::uint32_t fillAttributes_;
    bool nameLoaded_ = false;
    std::string name_;
    bool detailsLoaded_ = false;
    std::string size_;
    std::string type_;
    std::string modified_;
    int image_ = -1;
};

}  // namespace corvane::shell
