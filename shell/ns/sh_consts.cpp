#include "shell/ns/sh_consts.h"

namespace corvane::shell {

std::string LoadShString(int id) {
    static constexpr ShResString kAll[] = {
        SRenameShortcut, SDefaultFontName, SNewFolder, SCannotCreateFolder, SColumnName, SColumnSize,
        SColumnType, SColumnModified, SSystemFolder, SDeleteCommand, SDeleteHint, SBrowseForFolder,
        SSelectAllShortcut, SDeleteShortcut, SCopyShortcut, SCutShortcut, SPasteShortcut, SRefreshShortcut,
        SCancel, SOK, SCreateFolder, SCreateFolderHint, SSizeKB, SOpenCommand, SOpenHint, SSendToCommand,
        SSendToHint, SCutCommand, SCutHint, SCopyCommand, SCopyHint, SPasteCommand, SPasteHint, SCopyHere,
        SMoveHere, SLinkHere,
    };
    for (const ShResString& s : kAll)
        if (s.id == id) return s.text;
    return {};
}

}  // namespace corvane::shell
