#pragma once
// The main window: toolbar, URL and profile boxes, browse bar, view labels, the four dock panels
// around the browser area, the tray icon, the recent lists, and the program's life cycle from
// creation to destruction. The work done once at first show, first activation and first paint
// hangs on flags of its own. Views are made and docked by the view manager; the run control's
// window parts, the engine host and the application host live in the hooks object.
//
// Main thread only.

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <string>

#include "app/main_menus.h"
#include "engine/run/engine_timing.h"
#include "widgets/tray_backend.h"

class QAction;
class QCheckBox;
class QComboBox;
class QMenu;
class QMenuBar;

namespace corvane {

class TApplicata;
class TaskRunner;
class TDockPanel;
class TDockSite;
class TDockSplitter;
class TDropFileTarget;
class TDropURLTarget;
class TGIFImage;
class THyperLabel;
class TKMLang;
class TMainCommands;
class TMainHooks;
class TMRUFileList;
class TPGTrayIcon95;
class TTransparentButton;
class TViewManager;

inline constexpr int kTagPainted = 1000;

class TFormCorvane : public QMainWindow {
    Q_OBJECT
public:
    // tray: the tray's backend (null: the system tray). The program's settings object must exist.
    explicit TFormCorvane(QWidget* parent = nullptr, std::unique_ptr<TrayBackend> tray = nullptr);
    ~TFormCorvane() override;

    // Set before the window is first shown.
    QStringList Parameters;   // the command line without the program
    EngineTiming Timing;      // the run control's pauses

    // The main window's settings of the single-instance component, given before its Loaded: the
    // program's title, icon, hint and hint colour, and its id.
    static void SetUpApplicata(TApplicata& applicata);
    // Takes the single-instance component over: its hand-overs reach Applicata1Param.
    void AttachApplicata(TApplicata& applicata);

signals:
    // The window has closed for good (its close was not refused).
    void Closed();

public:

    // Menus.
    QMenuBar* MainMenu;
    QMenu* miFile;
    QMenu* mnuEdit;
    QMenu* mnuView;
    QMenu* miZip;
    QMenu* miTask;
    QMenu* miHelp;
    QMenu* miLanguage;
    QAction* miClose;
    QMenu* popMain;
    // The other items and popups, and the commands they run.
    TMainMenus Menus;
    TMainCommands* Commands = nullptr;
    // Recent lists.
    TMRUFileList* mruURLs;
    TMRUFileList* mruFiles;
    // Toolbar.
    TTransparentButton* btnNewZip;
    TTransparentButton* btnOpen;
    TTransparentButton* btnDownloads;
    TTransparentButton* btnCorvaneMode;
    TTransparentButton* btnIntranetMode;
    TTransparentButton* btnAddToSelectedZip;
    TTransparentButton* btnHelp;
    TTransparentButton* btnGO;
    TTransparentButton* btnBrowserBack;
    TTransparentButton* btnBrowserForward;
    TTransparentButton* btnBrowserStop;
    TTransparentButton* btnBrowserRefresh;
    TTransparentButton* btnBrowserHome;
    TTransparentButton* btnBrowser;
    TTransparentButton* btnBrowseHome;
    TTransparentButton* btnBrowseDailyNews;
    TTransparentButton* btnBrowseWebLinks;
    TTransparentButton* btnBranding;
    QComboBox* cmbURL;
    QComboBox* cmbProfile;
    QCheckBox* cbWorkOffline;
    TGIFImage* GIFImage;
    TGIFImage* GIFScreensBar;
    // View labels.
    THyperLabel* lblBrowse;
    THyperLabel* lblZipProperties;
    THyperLabel* lblConnections;
    THyperLabel* lblExplore;
    THyperLabel* lblTasks;
    THyperLabel* lblPersonalIntranet;
    // Docking.
    QWidget* pnlBrowser;
    TDockPanel* pnlLeftDock;
    TDockPanel* pnlRightDock;
    TDockPanel* pnlStatus;
    TDockPanel* pnlBottomDock;
    TDockSplitter* splMain;    // left, centre, right: SplitterLeft, SplitterRight
    TDockSplitter* splCentre;  // browser, bottom: Splitter2
    TDockSplitter* splOuter;   // everything, status: Splitter1
    TDockSite* DockSite;
    // Other components.
    TPGTrayIcon95* TrayIcon;
    TDropURLTarget* DropURLTarget1;
    TDropFileTarget* DropFileTarget1;
    TKMLang* KMLang1;
    TApplicata* Applicata1 = nullptr;
    int Tag = 0;

    TViewManager& Views() { return *views_; }
    TMainHooks& Hooks() { return *hooks_; }
    // Null before the first paint and after shut-down.
    TaskRunner* Runner() { return runner_.get(); }

    // Life cycle (form_corvane_life.cpp).
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormPaint();
    void FormClose();
    void FormDestroy();
    void UpgradeSettings();
    void BuildLanguageMenu();
    void LanguageItemClick(QAction* item);
    void UpdateModeHints();
    void ApplySkin();
    void Applicata1Param(const QString& parameter);
    void DropURLTarget1Drop();
    void DropFileTarget1Drop();
    // The last URL dropped on the URL box (at most 255 characters).
    const QString& LastDroppedURL() const { return lastDroppedURL_; }
    // Closes the window as Exit does, but rejects open dialogs first and asks nothing (a signal).
    void CloseQuietly();
    bool ClosingQuietly() const { return quiet_close_; }
    // Whether the once-only steps ran.
    bool Shown() const { return shown_; }
    bool Activated() const { return activated_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Building the controls (form_corvane.cpp).
    void BuildMenus();
    QWidget* BuildToolbar();
    QWidget* BuildURLBar();
    QWidget* BuildLabelBar();
    void BuildDocking(QWidget* central);
    TTransparentButton* MakeButton(QWidget* parent, const char* name, const QString& hint, int size);
    THyperLabel* MakeViewLabel(QWidget* parent, const char* name, const QString& text);
    void StartRunner();
    // A task file waits until the task tree exists.
    void AddTaskFile(const QString& file);
    void OpenArchiveParameter(const QString& file);
    void DeleteTempFolder();

    std::unique_ptr<TMainHooks> hooks_;
    std::unique_ptr<TViewManager> views_;
    std::unique_ptr<TaskRunner> runner_;
    QStringList pendingTaskFiles_;
    QString lastDroppedURL_;
    bool created_ = false;
    bool shown_ = false;
    bool activated_ = false;
    bool paint_queued_ = false;
    bool closed_ = false;
    bool quiet_close_ = false;
    bool destroyed_ = false;
};

}  // namespace corvane
