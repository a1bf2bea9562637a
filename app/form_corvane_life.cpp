// The main window's life: creation, first show, first activation, first paint, close and destruction,
// the language menu, the skin, and what reaches the window from outside (command line, drops, a
// second start).

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include "app/dock_panel.h"
#include "app/exit_cleanup.h"
#include "app/form_corvane.h"
#include "app/form_status.h"
#include "app/main_command_rules.h"
#include "app/product_version.h"
#include "app/run_hooks.h"
#include "app/single_instance.h"
#include "app/upgrade_settings.h"
#include "app/view_manager.h"
#include "app/window_bounds.h"
#include "archive/form_zip.h"
#include "archive/zip_jobs.h"
#include "tasks/task_tree_window.h"
#include "engine/model/settings.h"
#include "engine/run/task_runner.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "platform/rtl/log.h"
#include "platform/rtl/paths.h"
#include "transfer/global_offline.h"
#include "widgets/drop_target.h"
#include "widgets/gif_image.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"
#include "widgets/tray_icon.h"

namespace corvane {
namespace {

constexpr const char* kNative = "Native";
constexpr const char* kNativeCaption = "English";
// How often a quiet close looks again for a dialog still closing.
constexpr int kQuietCloseRetryMs = 10;
// How often a close waiting for a stop looks again.
constexpr int kCloseRetryMs = 20;


QString Extension(const QString& file) { return QFileInfo(file).suffix().toLower(); }

bool IsWebAddress(const QString& text) {
    const QString lower = text.toLower();
    return lower.startsWith(QLatin1String("http://")) || lower.startsWith(QLatin1String("https://"));
}

QColor ColorOf(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

}  // namespace

TFormCorvane::~TFormCorvane() {
    FormDestroy();
    hooks_->Uninstall();
    // The views go before the hooks and the manager they call.
    views_.reset();
}

void TFormCorvane::SetUpApplicata(TApplicata& applicata) {
    applicata.Hint = QStringLiteral("Stay tuned");
    applicata.HintColor = ColorOf(0xD7AE86);
    applicata.Title = QStringLiteral("Corvane");
    applicata.Icon = QIcon(QString::fromStdString(ResourcesDir()) + QStringLiteral("corvane.png"));
    applicata.ProgramID = QStringLiteral("BTXEVTWFCT");
    applicata.ParamPassing = TParamPassing::ppSeparate;
}

void TFormCorvane::AttachApplicata(TApplicata& applicata) {
    Applicata1 = &applicata;
    applicata.SetOwner(this);
    applicata.OnParam = [this](TApplicata&, const QString& parameter) { Applicata1Param(parameter); };
    applicata.OnParams = [this](TApplicata&, const QStringList& parameters) {
        for (const QString& parameter : parameters) Applicata1Param(parameter);
    };
}

// Creation -------------------------------------------------------------------------------------

void TFormCorvane::FormCreate() {
    if (created_ || !App) return;
    created_ = true;
    hooks_->Install();
    for (TMRUFileList* list : {mruURLs, mruFiles}) {
        list->AutoSaveName = QString::fromLatin1(kProductKey);
        list->LoadFromRegistry();
    }
    AppLanguage().SetLangFileName(App->Language);
    BuildLanguageMenu();
    const QString caption = QString::fromStdString(ProductCaption());
    setWindowTitle(caption);
    TrayIcon->SetHint(caption);
    DropURLTarget1->Register(cmbURL);
    DropFileTarget1->Register(this);
    UpgradeSettings();
    // The offline choice outlives the program, as the system's own does.
    LoadGlobalOffline();
    cbWorkOffline->setChecked(IsGlobalOffline());
    QCoreApplication::processEvents();
}

void TFormCorvane::UpgradeSettings() { corvane::UpgradeSettings(); }

void TFormCorvane::BuildLanguageMenu() {
    miLanguage->clear();
    auto* group = new QActionGroup(miLanguage);
    const std::string current = AppLanguage().GetLangFileName();
    const TStringList& languages = AppLanguage().GetLanguages();
    for (int i = 0; i < languages.Count(); ++i) {
        const std::string& name = languages[i];
        QAction* item = miLanguage->addAction(QString::fromStdString(name == kNative ? kNativeCaption : name));
        item->setData(QString::fromStdString(name));
        item->setCheckable(true);
        item->setActionGroup(group);
        item->setChecked(QString::fromStdString(name).compare(QString::fromStdString(current), Qt::CaseInsensitive) == 0);
        connect(item, &QAction::triggered, this, [this, item] { LanguageItemClick(item); });
    }
}

void TFormCorvane::LanguageItemClick(QAction* item) {
    // The name rides in the item's data: translation may change its caption.
    AppLanguage().SetLangFileName(item->data().toString().toStdString());
    App->SetLanguage(AppLanguage().GetLangFileName());
    item->setChecked(true);
    UpdateModeHints();
}

void TFormCorvane::UpdateModeHints() {
    if (!App) return;
    const QChar lf = QLatin1Char('\n');
    auto folder = [](auto getter) {
        try {
            return QString::fromStdString(getter());
        } catch (const std::exception& e) {
            return QString::fromStdString(e.what());
        }
    };
    btnIntranetMode->setToolTip(LangText(msg::IntranetModeHint1) + lf + LangText(msg::IntranetModeHint2) + lf +
                                LangText(msg::IntranetModeHint3) + lf + folder([] { return App->GetIntranetFolder(); }));
    btnCorvaneMode->setToolTip(LangText(msg::ZipModeHint1) + lf + LangText(msg::ZipModeHint2) + lf + LangText(msg::ZipModeHint3) +
                               lf + folder([] { return App->GetDownloadsFolder(); }));
    cmbProfile->setToolTip(LangText(msg::ProfileHint1) + lf + LangText(msg::ProfileHint2));
}

void TFormCorvane::ApplySkin() {
    if (!App) return;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ColorOf(App->Colors()[1]));
    setPalette(palette);
    setAutoFillBackground(true);
    GIFImage->LoadFromFile(QString::fromStdString(SkinFile("cvanim.gif")));
    GIFScreensBar->LoadFromFile(QString::fromStdString(SkinFile("screensbar.gif")));
    const std::pair<TTransparentButton*, const char*> glyphs[] = {
        {btnNewZip, "new.bmp"},
        {btnOpen, "open.bmp"},
        {btnDownloads, "dwnloads.bmp"},
        {btnCorvaneMode, "cvmode.bmp"},
        {btnIntranetMode, "pimode.bmp"},
        {btnAddToSelectedZip, "addtocur.bmp"},
        {btnHelp, "help.bmp"},
        {btnGO, "download.bmp"},
        {btnBrowserBack, "browser_back.bmp"},
        {btnBrowserForward, "browser_forward.bmp"},
        {btnBrowserStop, "browser_stop.bmp"},
        {btnBrowserRefresh, "browser_refresh.bmp"},
        {btnBrowserHome, "browser_home.bmp"},
        {btnBrowser, "browser.bmp"},
        {btnBrowseHome, "browse_corvanehome.bmp"},
        {btnBrowseDailyNews, "browse_dailynews.bmp"},
        {btnBrowseWebLinks, "browse_weblinks.bmp"},
    };
    // A missing picture is logged by the loader and only that button stays bare.
    for (const auto& [button, file] : glyphs) TViewManager::LoadSkinGlyph(button, file);
    const QString branding = QString::fromStdString(ResourcesDir() + "branding.bmp");
    // Shown with its picture and an address to lead to.
    if (QFileInfo::exists(branding) && !BrandingURL(ResourcesDir()).empty()) {
        btnBranding->SetGlyph(QImage(branding));
        btnBranding->show();
    } else {
        btnBranding->hide();
    }
    if (TFormStatus* status = views_->FormStatus) status->ApplySkin();
}

// Show, activation, paint ----------------------------------------------------------------------

void TFormCorvane::FormShow() {
    if (shown_ || !created_) return;
    shown_ = true;
    ApplySkin();
    if (Parameters.isEmpty()) return;
    // Dialogs it may open wait until the window is up.
    const QString parameter = Parameters.front();
    QTimer::singleShot(0, this, [this, parameter] {
        if (IsWebAddress(parameter)) {
            hooks_->NewTask(parameter.toStdString(), {}, btnIntranetMode->Down(), false);
        } else if (Extension(parameter) == QLatin1String("cvt")) {
            AddTaskFile(parameter);
        } else if (Extension(parameter) == QLatin1String("zip")) {
            OpenArchiveParameter(parameter);
        }
    });
}

void TFormCorvane::FormActivate() {
    if (activated_ || !created_) return;
    activated_ = true;
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) screens.push_back(screen->availableGeometry());
    setGeometry(StoredWindowBounds(screens));
    const bool intranet = App->GetSaveMode() != 0;
    btnCorvaneMode->SetDown(!intranet);
    btnIntranetMode->SetDown(intranet);
    mruURLs->SetMaximum(App->MaxURLHistory);
    mruFiles->SetMaximum(App->MaxFileHistory);
    UpdateModeHints();
    cmbURL->clear();
    cmbURL->addItems(mruURLs->Items());
    cmbURL->setEditText({});
    cmbProfile->clear();
    cmbProfile->addItem(QStringLiteral("Custom"));
    for (const QString& profile : QDir(QString::fromStdString(App->ProfilesDir)).entryList({QStringLiteral("*.cvp")}, QDir::Files, QDir::Name))
        cmbProfile->addItem(QFileInfo(profile).completeBaseName());
    // The tray needs a picture before it shows: the skin's logo while the program has no icon of its own.
    if (windowIcon().isNull())
        TrayIcon->SetIcon(QIcon(QString::fromStdString(SkinFile("cvlogo.gif"))));
    else
        TrayIcon->SetIcon(windowIcon());
    TrayIcon->SetActive(true);
}

void TFormCorvane::FormPaint() {
    if (Tag != 0 || !created_ || closed_) return;
    Tag = kTagPainted;
    // Bounds and tray come before the views even where the window system never activates it.
    FormActivate();
    views_->ShowStatusView();
    btnBrowseHome->SetDown(true);
    views_->ShowBrowserView({});
    views_->ShowSchedulerView();
    StartRunner();
    const QStringList files = pendingTaskFiles_;
    pendingTaskFiles_.clear();
    for (const QString& file : files) AddTaskFile(file);
}

void TFormCorvane::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void TFormCorvane::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

bool TFormCorvane::eventFilter(QObject* watched, QEvent* event) {
    // The first paint's work makes windows: it runs just after that paint, not inside it.
    if (watched == centralWidget() && event->type() == QEvent::Paint && Tag == 0 && !paint_queued_) {
        paint_queued_ = true;
        QTimer::singleShot(0, this, [this] { FormPaint(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

// What comes from outside ----------------------------------------------------------------------

void TFormCorvane::AddTaskFile(const QString& file) {
    // Task files are handed to the task tree, which the first paint makes.
    if (TFormScheduler* tree = views_->FormScheduler)
        tree->AddTaskFromFile(file.toStdString());
    else
        pendingTaskFiles_.append(file);
}

void TFormCorvane::OpenArchiveParameter(const QString& file) {
    views_->ShowZipView();
    if (TFormZip* zip = views_->FormZip) zip->OpenZip(file.toStdString());
}

void TFormCorvane::Applicata1Param(const QString& parameter) {
    const QString extension = Extension(parameter);
    if (extension == QLatin1String("cvt"))
        AddTaskFile(parameter);
    else if (extension == QLatin1String("zip"))
        OpenArchiveParameter(parameter);
}

void TFormCorvane::DropURLTarget1Drop() {
    const QString url = DropURLTarget1->URL;
    cmbURL->setEditText(url);
    lastDroppedURL_ = url.left(255);
    const bool intranet = btnIntranetMode->Down();
    // The task dialog opens once the drop has ended.
    QTimer::singleShot(0, this, [this, url, intranet] { hooks_->NewTask(url.toStdString(), {}, intranet, false); });
}

void TFormCorvane::DropFileTarget1Drop() {
    const QStringList files = DropFileTarget1->Files;
    QTimer::singleShot(0, this, [this, files] {
        if (files.size() != 1) {
            views_->ShowZipView();
            std::vector<std::string> list;
            for (const QString& file : files) list.push_back(file.toStdString());
            if (TFormZip* zip = views_->FormZip) zip->RunZipWizard(list);
            return;
        }
        const QString extension = Extension(files.front());
        if (extension == QLatin1String("zip"))
            OpenArchiveParameter(files.front());
        else if (extension == QLatin1String("cvt"))
            AddTaskFile(files.front());
    });
}

// Close and destruction ------------------------------------------------------------------------

void TFormCorvane::CloseQuietly() {
    quiet_close_ = true;
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal) break;
    }
    // The rejected dialogs' loops end first, then the window closes.
    QTimer::singleShot(0, this, [this] {
        if (QApplication::activeModalWidget()) {
            QTimer::singleShot(kQuietCloseRetryMs, this, [this] { CloseQuietly(); });
            return;
        }
        close();
    });
}

void TFormCorvane::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (runner_ && runner_->Busy()) {
        // A stop or finish under way decides what happens to the task first. It may be serving the
        // loop below this very call, so the close is asked again once it has ended.
        event->ignore();
        QTimer::singleShot(kCloseRetryMs, this, [this] { close(); });
        return;
    }
    if (created_ && !hooks_->FormCloseQuery()) {
        event->ignore();
        return;
    }
    hooks_->Closing = true;
    FormClose();
    event->accept();
    emit Closed();
}

void TFormCorvane::FormClose() {
    if (closed_) return;
    closed_ = true;
    if (runner_) runner_->Shutdown();
    DeleteTempFolder();
    if (windowState() == Qt::WindowNoState) StoreWindowBounds(geometry());
}

void TFormCorvane::DeleteTempFolder() {
    if (!App) return;
    try {
        DeleteTempCaptureFolder(App->GetTempFolder());
    } catch (const std::exception& e) {
        LogWarning(std::string("temporary capture folder: ") + e.what());
    }
}

void TFormCorvane::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (runner_) runner_->Shutdown();
    views_->ReleaseViews();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The archive window lets go of its workers without waiting: they end here, before the program.
    JoinZipJobs();
    // A view asking for the folder on its way out makes it again.
    if (closed_) DeleteTempFolder();
    DropURLTarget1->Unregister();
    DropFileTarget1->Unregister();
    runner_.reset();
}

}  // namespace corvane
