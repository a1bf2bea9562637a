#pragma once
// The main window's views: each is made on first use and docked into its panel, and its view label
// on the main window shows whether it is open (bold, yellow) or not (regular, black). Hiding a view
// releases it, except the status and task tree views, which are only floated and hidden, and the
// archive view, which stays while the current task is in zip mode.
//
// Main thread only.

#include <QObject>
#include <functional>
#include <string>

class QWidget;

namespace corvane {

class TFormBrowser;
class TFormCorvane;
class TFormDownloader;
class TFormExplore;
class TFormScheduler;
class TFormPersonalIntranet;
class TFormStatus;
class TFormZip;
class THyperLabel;
class TSocketList;
class TTransparentButton;

class TViewManager : public QObject {
    Q_OBJECT
public:
    explicit TViewManager(TFormCorvane& form);
    ~TViewManager() override;

    // The view references: null until first shown, and again once released.
    TFormStatus* FormStatus = nullptr;
    TFormBrowser* FormBrowser = nullptr;
    TFormZip* FormZip = nullptr;
    TFormDownloader* FormDownloader = nullptr;
    TFormExplore* FormExplore = nullptr;
    TFormScheduler* FormScheduler = nullptr;
    TFormPersonalIntranet* FormPersonalIntranet = nullptr;

    // The connection pool the connections view shows; null while there is none.
    std::function<TSocketList*()> Sockets;

    void ShowStatusView();
    void FloatStatusView();
    void ShowBrowserView(const std::string& url);
    void CloseBrowserView();
    void ShowZipView();
    void CloseZipView();
    void ShowDownloaderView();
    void CloseDownloaderView();
    void ShowExploreView();
    void CloseExploreView();
    void ShowSchedulerView();
    void FloatSchedulerView();
    void ShowIntranetView();
    void CloseIntranetView();

    static std::string SkinFile(const std::string& name);
    // Only a toolbar button takes a glyph; false for anything else and for a missing picture.
    static bool LoadSkinGlyph(QWidget* control, const std::string& name);

    // The view labels: each shows its view or hides it.
    void lblBrowseClick();
    void lblZipPropertiesClick();
    void lblConnectionsClick();
    void lblExploreClick();
    void lblTasksClick();
    void lblPersonalIntranetClick();

    // The close asked from a view's grabber or floating window.
    void CloseView(QWidget* view);
    // Shut-down: every view that is left goes, the browser first.
    void ReleaseViews();

    static void MarkLabel(THyperLabel& label, bool open);

private:
    bool ZipModeTaskCurrent() const;
    // Hides a view kept alive; its panel shuts when nothing visible stays in it.
    void HideDocked(QWidget* view);
    // Takes the view out of its panel, clears its reference and destroys it.
    template <class View>
    void ReleaseView(View*& view) {
        QWidget* widget = view;
        view = nullptr;
        ReleaseView(widget);
    }
    void ReleaseView(QWidget*& view);
    TFormCorvane& form_;
};

}  // namespace corvane
