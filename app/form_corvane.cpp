// The main window's controls: menus, toolbar, URL box, browse bar, view labels and dock panels.

#include "app/form_corvane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/dock_panel.h"
#include "app/main_commands.h"
#include "app/product_version.h"
#include "app/run_hooks.h"
#include "app/view_manager.h"
#include "engine/model/settings.h"
#include "engine/run/task_runner.h"
#include "engine/model/version.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "platform/qt/qt_main_loop.h"
#include "widgets/drop_target.h"
#include "widgets/gif_image.h"
#include "widgets/hyper_label.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"
#include "widgets/tray_backend.h"
#include "widgets/tray_icon.h"

namespace corvane {
namespace {

constexpr int kButton = 30;
constexpr int kGroupGap = 8;

const bool registered = RegisterCaptureForm("FormCorvane", [] { return std::unique_ptr<QObject>(new TFormCorvane); });

QWidget* Panel(QWidget* parent, const char* name) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    return panel;
}

}  // namespace

TFormCorvane::TFormCorvane(QWidget* parent, std::unique_ptr<TrayBackend> tray) : QMainWindow(parent) {
    (void)registered;
    setObjectName(QStringLiteral("FormCorvane"));
    setWindowTitle(QString::fromStdString(ProductCaption()));
    resize(640, 400);
    setMinimumSize(600, 400);

    BuildMenus();
    mruURLs = new TMRUFileList(this);
    mruURLs->setObjectName(QStringLiteral("mruURLs"));
    mruURLs->SetMaximum(20);
    mruURLs->AutoSaveKey = QStringLiteral("Recent URLs");
    mruURLs->AutoSave = false;
    mruURLs->RemoveOnClick = false;
    mruFiles = new TMRUFileList(this);
    mruFiles->setObjectName(QStringLiteral("mruFiles"));
    mruFiles->SetMaximum(10);
    mruFiles->AutoSaveKey = QStringLiteral("Recent ZIP files");
    mruFiles->RemoveOnClick = false;
    mruFiles->SetUseSubmenu(true);
    mruFiles->SetSubmenuName(QStringLiteral("&Reopen"));
    mruFiles->SetFileMenu(miClose);

    auto* central = Panel(this, "pnlMain");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildToolbar());
    layout->addWidget(BuildURLBar());
    layout->addWidget(BuildLabelBar());
    BuildDocking(central);
    layout->addWidget(splOuter, 1);
    setCentralWidget(central);

    popMain = new QMenu(this);
    popMain->setObjectName(QStringLiteral("popMain"));
    BuildMainMenus(*this, Menus);
    TrayIcon = new TPGTrayIcon95(this, std::move(tray));
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->SetHint(QStringLiteral("Corvane"));
    TrayIcon->SetPopupMenu(popMain);
    TrayIcon->SetAutoPopup(true);
    TrayIcon->SetOptions(toCloseFormsOnHideApp);
    TrayIcon->SetIcon(windowIcon());
    TrayIcon->OnDblClick = [this](TPGTrayIcon95*) { TrayIcon->ShowApp(); };
    TrayIcon->OnAppRestore = [this](TPGTrayIcon95*) { DockSite->RestoreHidden(); };

    DropURLTarget1 = new TDropURLTarget(this);
    DropURLTarget1->setObjectName(QStringLiteral("DropURLTarget1"));
    DropURLTarget1->Dragtypes = TDragTypes(dtLink);
    DropURLTarget1->GetDataOnEnter = true;
    DropURLTarget1->OnDrop = [this](QObject*, TDragType, QPoint) { DropURLTarget1Drop(); };
    DropFileTarget1 = new TDropFileTarget(this);
    DropFileTarget1->setObjectName(QStringLiteral("DropFileTarget1"));
    DropFileTarget1->OnDrop = [this](QObject*, TDragType, QPoint) { DropFileTarget1Drop(); };

    hooks_ = std::make_unique<TMainHooks>(*this);
    views_ = std::make_unique<TViewManager>(*this);
    views_->Sockets = [this]() -> TSocketList* { return runner_ ? &runner_->Sockets() : nullptr; };
    Commands = new TMainCommands(*this, Menus);
    Commands->Bind();

    KMLang1 = new TKMLang(this);
    KMLang1->setObjectName(QStringLiteral("KMLang1"));
    KMLang1->SetLocalRules(TStringList({"-TFormCorvane.Caption", "-TStrings.Items"}));
    KMLang1->AfterTrans = [this](const std::string&) {
        // Composed from numbered messages and folders, so translation leaves them stale.
        if (activated_) UpdateModeHints();
    };
    KMLang1->Loaded();

    centralWidget()->installEventFilter(this);
    FormCreate();
}

void TFormCorvane::BuildMenus() {
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    setMenuBar(MainMenu);
    auto menu = [this](const char* name, const QString& title) {
        auto* m = new QMenu(title, this);
        m->setObjectName(QString::fromLatin1(name));
        MainMenu->addMenu(m);
        return m;
    };
    miFile = menu("miFile", QStringLiteral("&File"));
    mnuEdit = menu("mnuEdit", QStringLiteral("&Edit"));
    mnuView = menu("mnuView", QStringLiteral("&View"));
    miZip = menu("miZip", QStringLiteral("&Zip"));
    miTask = menu("miTask", QStringLiteral("&Task"));
    miHelp = menu("miHelp", QStringLiteral("&Help"));
    miClose = miFile->addAction(QStringLiteral("&Close"));
    miClose->setObjectName(QStringLiteral("miClose"));
    miLanguage = new QMenu(QStringLiteral("&Language"), this);
    miLanguage->setObjectName(QStringLiteral("miLanguage"));
    mnuView->addMenu(miLanguage);
}

TTransparentButton* TFormCorvane::MakeButton(QWidget* parent, const char* name, const QString& hint, int size) {
    auto* button = new TTransparentButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setFixedSize(size, size);
    button->SetFrameStyle(TFrameStyle::fsExplorer);
    // In colour before the mouse comes, so the toolbar reads at a glance.
    button->SetAutoGray(false);
    button->SetNumGlyphs(3);
    return button;
}

THyperLabel* TFormCorvane::MakeViewLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new THyperLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->SetColorEnter(Qt::white);
    QFont font = label->font();
    font.setPixelSize(12);
    label->setFont(font);
    TViewManager::MarkLabel(*label, false);
    return label;
}

QWidget* TFormCorvane::BuildToolbar() {
    auto* bar = Panel(this, "pnlToolbar");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    btnNewZip = MakeButton(bar, "btnNewZip", QStringLiteral("New Task..."), kButton);
    btnOpen = MakeButton(bar, "btnOpen", QStringLiteral("Open zip file..."), kButton);
    btnDownloads = MakeButton(bar, "btnDownloads", QStringLiteral("Downloads folder"), kButton);
    btnCorvaneMode = MakeButton(bar, "btnCorvaneMode", QStringLiteral("Default: Corvane Mode."), kButton);
    btnIntranetMode = MakeButton(bar, "btnIntranetMode", QStringLiteral("Default: Personal Intranet Mode"), kButton);
    btnAddToSelectedZip = MakeButton(bar, "btnAddToSelectedZip",
                                     QStringLiteral("Add future downloads to currently selected zip"), kButton);
    btnHelp = MakeButton(bar, "btnHelp", QStringLiteral("Help"), kButton);
    btnBrowserBack = MakeButton(bar, "btnBrowserBack", QStringLiteral("Back"), kButton);
    btnBrowserForward = MakeButton(bar, "btnBrowserForward", QStringLiteral("Forward"), kButton);
    btnBrowserStop = MakeButton(bar, "btnBrowserStop", QStringLiteral("Stop"), kButton);
    btnBrowserRefresh = MakeButton(bar, "btnBrowserRefresh", QStringLiteral("Refresh"), kButton);
    btnBrowserHome = MakeButton(bar, "btnBrowserHome", QStringLiteral("Home"), kButton);
    btnBrowser = MakeButton(bar, "btnBrowser", QStringLiteral("Browse"), kButton);
    btnBrowseHome = MakeButton(bar, "btnBrowseHome", {}, kButton);
    btnBrowseDailyNews = MakeButton(bar, "btnBrowseDailyNews", {}, kButton);
    btnBrowseWebLinks = MakeButton(bar, "btnBrowseWebLinks", {}, kButton);
    btnBranding = MakeButton(bar, "btnBranding", {}, kButton);
    btnBranding->hide();
    for (auto* b : {btnNewZip, btnOpen, btnDownloads}) row->addWidget(b);
    row->addSpacing(kGroupGap);
    for (auto* b : {btnCorvaneMode, btnIntranetMode, btnAddToSelectedZip, btnHelp}) row->addWidget(b);
    row->addSpacing(kGroupGap);
    for (auto* b : {btnBrowserBack, btnBrowserForward, btnBrowserStop, btnBrowserRefresh, btnBrowserHome}) {
        b->setEnabled(false);  // until the browser view enables them
        row->addWidget(b);
    }
    row->addWidget(btnBrowser);
    row->addSpacing(kGroupGap);
    for (auto* b : {btnBrowseHome, btnBrowseDailyNews, btnBrowseWebLinks, btnBranding}) row->addWidget(b);
    // The bar fills the toolbar's free room, its picture tiled across it.
    GIFScreensBar = new TGIFImage(bar);
    GIFScreensBar->setObjectName(QStringLiteral("GIFScreensBar"));
    GIFScreensBar->setMinimumSize(0, 40);
    GIFScreensBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    GIFScreensBar->SetTile(true);
    row->addWidget(GIFScreensBar, 1);
    GIFImage = new TGIFImage(bar);
    GIFImage->setObjectName(QStringLiteral("GIFImage"));
    GIFImage->setFixedSize(40, 40);
    row->addWidget(GIFImage);
    return bar;
}

QWidget* TFormCorvane::BuildURLBar() {
    auto* bar = Panel(this, "pnlURL");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 0, 4, 2);
    row->setSpacing(4);
    auto* url = new QLabel(QStringLiteral("URL:"), bar);
    url->setObjectName(QStringLiteral("lblURL"));
    row->addWidget(url);
    cmbURL = new QComboBox(bar);
    cmbURL->setObjectName(QStringLiteral("cmbURL"));
    cmbURL->setEditable(true);
    cmbURL->setInsertPolicy(QComboBox::NoInsert);
    cmbURL->setMinimumWidth(160);
    row->addWidget(cmbURL, 1);
    cmbProfile = new QComboBox(bar);
    cmbProfile->setObjectName(QStringLiteral("cmbProfile"));
    cmbProfile->setMinimumWidth(100);
    cmbProfile->addItem(QStringLiteral("Custom"));
    row->addWidget(cmbProfile);
    btnGO = MakeButton(bar, "btnGO", QStringLiteral("Download"), kButton);
    row->addWidget(btnGO);
    cbWorkOffline = new QCheckBox(QStringLiteral("Work Offline"), bar);
    cbWorkOffline->setObjectName(QStringLiteral("cbWorkOffline"));
    row->addWidget(cbWorkOffline);
    return bar;
}

QWidget* TFormCorvane::BuildLabelBar() {
    auto* bar = Panel(this, "pnlViews");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 0, 4, 3);
    row->setSpacing(14);
    lblZipProperties = MakeViewLabel(bar, "lblZipProperties", QStringLiteral("Zip Properties"));
    lblConnections = MakeViewLabel(bar, "lblConnections", QStringLiteral("Connections"));
    lblExplore = MakeViewLabel(bar, "lblExplore", QStringLiteral("Explore"));
    lblBrowse = MakeViewLabel(bar, "lblBrowse", QStringLiteral("Browse"));
    lblTasks = MakeViewLabel(bar, "lblTasks", QStringLiteral("Tasks"));
    lblPersonalIntranet = MakeViewLabel(bar, "lblPersonalIntranet", QStringLiteral("Personal Intranet"));
    for (auto* l : {lblZipProperties, lblConnections, lblExplore, lblBrowse, lblTasks, lblPersonalIntranet})
        row->addWidget(l);
    row->addStretch(1);
    connect(lblBrowse, &THyperLabel::clicked, this, [this] { views_->lblBrowseClick(); });
    connect(lblZipProperties, &THyperLabel::clicked, this, [this] { views_->lblZipPropertiesClick(); });
    connect(lblConnections, &THyperLabel::clicked, this, [this] { views_->lblConnectionsClick(); });
    connect(lblExplore, &THyperLabel::clicked, this, [this] { views_->lblExploreClick(); });
    connect(lblTasks, &THyperLabel::clicked, this, [this] { views_->lblTasksClick(); });
    connect(lblPersonalIntranet, &THyperLabel::clicked, this, [this] { views_->lblPersonalIntranetClick(); });
    return bar;
}

void TFormCorvane::BuildDocking(QWidget* central) {
    DockSite = new TDockSite(this);
    splOuter = new TDockSplitter(Qt::Vertical, central);
    splOuter->setObjectName(QStringLiteral("splOuter"));
    splMain = new TDockSplitter(Qt::Horizontal);
    splMain->setObjectName(QStringLiteral("splMain"));
    splCentre = new TDockSplitter(Qt::Vertical);
    splCentre->setObjectName(QStringLiteral("splCentre"));
    pnlBrowser = Panel(nullptr, "pnlBrowser");
    auto* browser = new QVBoxLayout(pnlBrowser);
    browser->setContentsMargins(0, 0, 0, 0);
    pnlBrowser->setAutoFillBackground(true);
    pnlBrowser->setMinimumSize(100, 60);

    splCentre->addWidget(pnlBrowser);
    pnlBottomDock = new TDockPanel(QStringLiteral("pnlBottomDock"), false, 160, *splCentre, 1, 0);
    splCentre->setStretchFactor(0, 1);
    splMain->addWidget(splCentre);
    pnlLeftDock = new TDockPanel(QStringLiteral("pnlLeftDock"), true, 200, *splMain, 0, 1);
    pnlRightDock = new TDockPanel(QStringLiteral("pnlRightDock"), true, 200, *splMain, 2, 1);
    splMain->setStretchFactor(1, 1);
    splOuter->addWidget(splMain);
    pnlStatus = new TDockPanel(QStringLiteral("pnlStatus"), false, 120, *splOuter, 1, 0);
    splOuter->setStretchFactor(0, 1);

    splMain->NameHandle(1, QStringLiteral("SplitterLeft"));
    splMain->NameHandle(2, QStringLiteral("SplitterRight"));
    splCentre->NameHandle(1, QStringLiteral("Splitter2"));
    splOuter->NameHandle(1, QStringLiteral("Splitter1"));
    for (TDockPanel* panel : {pnlLeftDock, pnlRightDock, pnlStatus, pnlBottomDock}) DockSite->AddPanel(panel);
}

void TFormCorvane::StartRunner() {
    if (runner_ || !App) return;
    MainLoop* loop = CurrentMainLoop();
    if (!loop) return;
    runner_ = std::make_unique<TaskRunner>(*loop, Timing, *hooks_);
    runner_->Start();
}

}  // namespace corvane
