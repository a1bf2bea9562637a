#pragma once
// The folder browse dialog: a component a window keeps to let the user pick a folder of the shell
// namespace in a resizable modal form holding a shell tree, optionally with buttons that create and
// delete folders. Callers set `Title`, `BaseFolder` and the folder to start at, run `Execute` and
// read `GetSelectedPath` back:
//
//   TPTFolderBrowseDlg dialog;
//   dialog.SetTitle("Choose the capture folder");
//   dialog.SetSelectedPath(current);
//   if (dialog.Execute()) current = dialog.GetSelectedPath();
//
// Main thread only.

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "shell/ns/shell_locator.h"
#include "shell/ui/shell_tree.h"

class QPushButton;
class QToolButton;
class QWidget;

namespace corvane {
class TKMLang;
}

namespace corvane::shell {

class TPTFrame;

enum TFormWindowState : std::uint8_t { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// A dialog component: the form's size and state kept between runs, and a guard against running
// twice at once.
class TPTDialog : public QObject {
    Q_OBJECT

public:
    explicit TPTDialog(QObject* owner = nullptr);

    // -1: the form keeps its own size.
    int FormWidth = -1;
    int FormHeight = -1;
    TFormWindowState FormWindowState = wsNormal;

    // True when the form closed with OK. Raises EShellError "<class> already executing" when the
    // dialog runs already; the guard is cleared however the run ends.
    bool Execute();
    bool Executing() const { return executing_; }

    // The three values above as stored with the owning form: width and height (32-bit little-endian)
    // and the state byte. Reading raises EShellError for a block of another size or an unknown state,
    // leaving the values as they were.
    std::string WriteDataBlock() const;
    void ReadDataBlock(std::string_view bytes);

protected:
    virtual bool DoExecute() = 0;

private:
    bool executing_ = false;
};

enum TPTFolderBrowseDlgOption : std::uint16_t {
    ptfbCreateDeleteButtons = 1u << 0,
    ptfbContextMenus = 1u << 1,
    ptfbReadOnly = 1u << 2,
    ptfbIncludeNonFolders = 1u << 3,
    ptfbOleDrag = 1u << 4,
    ptfbOleDrop = 1u << 5,
    ptfbCreateFolderIcon = 1u << 6,
    ptfbDeleteFolderIcon = 1u << 7,
    ptfbVirtualFolders = 1u << 8,
    ptfbShowHidden = 1u << 9,
};
using TPTFolderBrowseDlgOptions = std::uint16_t;
// Context menus, both icon buttons, hidden folders shown.
inline constexpr TPTFolderBrowseDlgOptions kDefaultFolderBrowseDlgOptions = 706;

class TPTFrmFolderBrowseDlg;

class TPTCustomFolderBrowseDlg : public TPTDialog {
    Q_OBJECT

public:
    explicit TPTCustomFolderBrowseDlg(QObject* owner = nullptr);

    using NotifyEvent = std::function<void(TPTCustomFolderBrowseDlg&)>;
    using SelChangeEvent = std::function<void(TPTCustomFolderBrowseDlg&, PCItemIDList absolute)>;
    TPTCustomShellTree::AddItemEvent OnAddItem;  // the form's tree asks whether an item goes in
    NotifyEvent OnFormClose;
    NotifyEvent OnFormShow;
    SelChangeEvent OnSelChange;
    NotifyEvent OnInitialized;  // the form is built and filled, about to be shown

    // '' shows "Browse for Folder".
    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    TPTFolderBrowseDlgOptions Options() const { return options_; }
    void SetOptions(TPTFolderBrowseDlgOptions options) { options_ = options; }

    // The root the tree shows (the desktop by default).
    TPTShellLocator& BaseFolder() { return baseFolder_; }
    void SetBaseFolder(const TPTShellLocator* folder) { baseFolder_.Assign(folder); }

    // The folder chosen in the last run, or the one to start at: taken back on OK only.
    TPTShellLocator& SelectionLocator() { return selection_; }
    // '' for a virtual folder.
    std::string GetSelectedPath() { return selection_.Path(); }
    // The folder the next run starts at; a path that does not parse starts at the base folder.
    void SetSelectedPath(const std::string& path) { selection_.SetPath(path); }

    // The running form, null when none.
    TPTFrmFolderBrowseDlg* Form() const { return form_; }

protected:
    // Raises EShellError "TPTFolderBrowseDlg form already active" while its form is open.
    bool DoExecute() override;

private:
    void SetUpForm(TPTFrmFolderBrowseDlg& form);

    QString title_;
    TPTShellLocator baseFolder_;
    TPTShellLocator selection_;
    TPTFolderBrowseDlgOptions options_ = kDefaultFolderBrowseDlgOptions;
    QPointer<TPTFrmFolderBrowseDlg> form_;
};

class TPTFolderBrowseDlg : public TPTCustomFolderBrowseDlg {
    Q_OBJECT

public:
    explicit TPTFolderBrowseDlg(QObject* owner = nullptr);
};

// The form the dialog shows: the selected folder's path on top with the two icon buttons beside
// it, the tree, and OK, Cancel, Create and Delete below.
class TPTFrmFolderBrowseDlg : public QDialog {
    Q_OBJECT

public:
    explicit TPTFrmFolderBrowseDlg(QWidget* parent = nullptr);

    TPTFrame* StatusTxt;
    QToolButton* CreateNewFolderBtn;
    QToolButton* DeleteFolderBtn;
    TPTShellTree* PTShellTree1;
    QWidget* ButtonPanel;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
    QPushButton* CreateBtn;
    QPushButton* DeleteBtn;

    // The dialog's options on the form and its tree (the buttons shown, the tree's options, read-only).
    void ApplyOptions(TPTFolderBrowseDlgOptions options);
    std::function<void(PCItemIDList absolute)> OnSelChange;
    std::function<void()> OnFormShow;
    std::function<void()> OnFormClose;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormResize();
    void PTShellTree1Change(TTreeNode* node);
    void CreateBtnClick();
    void DeleteBtnClick();

    TKMLang* translator_;
    bool readOnly_ = false;
    bool showCreateDelete_ = false;
};

}  // namespace corvane::shell
