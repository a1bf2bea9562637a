#pragma once
// The skin chooser: the skins folder's subfolders; a click stores the skin and has the main window
// apply it at once. Cancel keeps what was clicked (the main window's command restores on Cancel).

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace corvane {

class TKMLang;
class TTransparentButton;

// The names of the subfolders of the skins folder, sorted.
std::vector<std::string> SkinNames(const std::string& skins_dir);

class TdlgSelectSkin : public QDialog {
    Q_OBJECT
public:
    explicit TdlgSelectSkin(QWidget* parent = nullptr);

    QListWidget* lbSkins;
    TTransparentButton* btnOK;
    TTransparentButton* btnCancel;
    TTransparentButton* btnDownload;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void TakeInterfaceColour();
    void lbSkinsClick();
    void btnOKClick();
    void btnCancelClick();
    void btnDownloadClick();

    TKMLang* translator_;
};

}  // namespace corvane
