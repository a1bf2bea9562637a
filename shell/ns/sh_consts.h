#pragma once
// The fixed texts of the shell browsing controls, by their resource numbers.

#include <string>

namespace corvane::shell {

struct ShResString {
    int id;
    const char* text;
};

inline constexpr ShResString SRenameShortcut{65200, "F2"};
inline constexpr ShResString SDefaultFontName{65201, "MS Sans Serif"};
inline constexpr ShResString SNewFolder{65216, "New Folder"};
inline constexpr ShResString SCannotCreateFolder{65217, "Unable to create the folder '%2'\n\n%1"};
inline constexpr ShResString SColumnName{65218, "Name"};
inline constexpr ShResString SColumnSize{65219, "Size"};
inline constexpr ShResString SColumnType{65220, "Type"};
inline constexpr ShResString SColumnModified{65221, "Modified"};
inline constexpr ShResString SSystemFolder{65222, "System Folder"};
inline constexpr ShResString SDeleteCommand{65223, "Delete"};
inline constexpr ShResString SDeleteHint{65224, "Deletes the selected items."};
inline constexpr ShResString SBrowseForFolder{65225, "Browse for Folder"};
inline constexpr ShResString SSelectAllShortcut{65226, "Ctrl+A"};
inline constexpr ShResString SDeleteShortcut{65227, "Del"};
inline constexpr ShResString SCopyShortcut{65228, "Ctrl+C"};
inline constexpr ShResString SCutShortcut{65229, "Ctrl+X"};
inline constexpr ShResString SPasteShortcut{65230, "Ctrl+V"};
inline constexpr ShResString SRefreshShortcut{65231, "F5"};
inline constexpr ShResString SCancel{65243, "Cancel"};
inline constexpr ShResString SOK{65244, "OK"};
inline constexpr ShResString SCreateFolder{65245, "Create Folder"};
inline constexpr ShResString SCreateFolderHint{65246, "Creates a new, empty folder."};
inline constexpr ShResString SSizeKB{65247, "%sKB"};
inline constexpr ShResString SOpenCommand{5160, "&Open"};
inline constexpr ShResString SOpenHint{5161, "Opens the selected items."};
inline constexpr ShResString SSendToCommand{5162, "Send &To"};
inline constexpr ShResString SSendToHint{5163, "Copies the selected items to a folder of the Send To list."};
inline constexpr ShResString SCutCommand{5164, "Cu&t"};
inline constexpr ShResString SCutHint{5165, "Moves the selected items to the clipboard."};
inline constexpr ShResString SCopyCommand{5166, "&Copy"};
inline constexpr ShResString SCopyHint{5167, "Copies the selected items to the clipboard."};
inline constexpr ShResString SPasteCommand{5168, "&Paste"};
inline constexpr ShResString SPasteHint{5169, "Puts the files on the clipboard into this folder."};
inline constexpr ShResString SCopyHere{5170, "Copy Here"};
inline constexpr ShResString SMoveHere{5171, "Move Here"};
inline constexpr ShResString SLinkHere{5172, "Link Here"};

// The text of a resource number; '' for a number that is not one of these.
std::string LoadShString(int id);

}  // namespace corvane::shell
