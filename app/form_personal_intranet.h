#pragma once
// The personal intranet view: the Personal Intranet folder as a shell tree, files included; the file
// or folder chosen in it opens in the browser view.
//
// Main thread only.

#include <QWidget>
#include <optional>
#include <string>

namespace corvane {

class TKMLang;

namespace shell {
class TPTCustomShellTree;
class TPTShellTree;
class TTreeNode;
}  // namespace shell

class TFormPersonalIntranet : public QWidget {
    Q_OBJECT
public:
    explicit TFormPersonalIntranet(QWidget* parent = nullptr);
    ~TFormPersonalIntranet() override;

    shell::TPTShellTree* tvIntranet;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void tvIntranetChange(shell::TPTCustomShellTree& tree, shell::TTreeNode* node);

    TKMLang* lang_;
    // The view filling its own tree: the browser stays on its page.
    bool reloading_ = false;
    // The path of the node last selected ("" for one without a file-system path); selecting it
    // again shows nothing new.
    std::optional<std::string> selected_;
};

}  // namespace corvane
