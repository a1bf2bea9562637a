// The task tree window: the form, the tree over the tasks folder and what selecting in it shows.

#include "tasks/task_tree_window.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "engine/model/settings.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "platform/rtl/string_list.h"
#include "shell/ns/pidl.h"
#include "shell/ns/shell_locator.h"
#include "shell/ui/shell_tree.h"
#include "tasks/task_tree_paths.h"
#include "widgets/app_host.h"

namespace corvane {
namespace {

const bool kRegistered =
    RegisterCaptureForm("FormScheduler", [] { return std::unique_ptr<QObject>(new TFormScheduler); });

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

bool ShowsTaskPage(const std::string& url) {
    const std::string lower = LowerCase(url);
    return lower.find("task_details.htm") != std::string::npos || lower.find("tasks.htm") != std::string::npos;
}

}  // namespace

TFormScheduler::TFormScheduler(QWidget* parent, shell::ShellTiming timing) : QWidget(parent) {
    (void)kRegistered;
    setObjectName(QStringLiteral("FormScheduler"));
    setWindowTitle(QStringLiteral("Tasks"));
    resize(240, 420);

    tvTasks = new shell::TPTShellTree(this, timing);
    tvTasks->setObjectName(QStringLiteral("tvTasks"));
    tvTasks->setHeaderHidden(true);
    tvTasks->setHeaderLabels({QString()});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tvTasks);

    rewrite_timer_ = new QTimer(this);
    rewrite_timer_->setSingleShot(true);
    rewrite_timer_->setInterval(0);
    connect(rewrite_timer_, &QTimer::timeout, this, [this] { RewriteNextStatus(); });
    BuildActions();
    BindTree();
    lang_ = new TKMLang(this);
    lang_->Loaded();
    FormCreate();
}

TFormScheduler::~TFormScheduler() {
    FlushStatusRewrites();
    // The tree's events reach this window; none may arrive while its members go.
    tvTasks->OnAddItem = nullptr;
    tvTasks->OnChange = nullptr;
    tvTasks->OnEditing = nullptr;
    tvTasks->OnEdited = nullptr;
    tvTasks->OnKeyDown = nullptr;
    tvTasks->OnGetPopupMenu = nullptr;
}

void TFormScheduler::BindTree() {
    // Task files are leaves; the queue files, the active-task list and dot files stay out.
    tvTasks->OnAddItem = [](shell::TPTCustomShellTree&, shell::IShellFolder*, shell::PCItemIDList,
                            shell::PCItemIDList item, std::uint32_t attributes, bool& allow) {
        const std::string name(shell::ItemName(shell::LastItem(item)));
        if (name.empty() || name[0] == '.') {
            allow = false;
            return;
        }
        allow = (attributes & shell::SFGAO_FOLDER) != 0 || HasTaskExtension(name);
    };
    tvTasks->OnChange = [this](shell::TPTCustomShellTree&, shell::TTreeNode*) { tvTasksChange(); };
    tvTasks->OnEditing = [this](shell::TPTCustomShellTree&, shell::TTreeNode* node, bool& allow) {
        tvTasksEditing(node, allow);
    };
    tvTasks->OnEdited = [this](shell::TPTCustomShellTree& tree, shell::TTreeNode* node, QString& text) {
        if (shell::Failed(tree.RenameResult()))
            RenameRefused(editing_path_, text, shell::ErrnoOfHResult(tree.RenameResult()));
        tvTasksEdited(node);
    };
    // These keys would reach task and queue files past the window's own checks: Del runs the
    // window's Delete, Ctrl+X and Ctrl+V do nothing here. F2 renames through tvTasksEditing.
    tvTasks->OnKeyDown = [this](shell::TPTCustomShellTree&, int& key, Qt::KeyboardModifiers modifiers) {
        const bool control = (modifiers & Qt::ControlModifier) != 0;
        if (key == Qt::Key_Delete) {
            key = 0;
            UpdateActions();
            if (actTasksDelete->isEnabled()) actTasksDeleteExecute();
        } else if (control && (key == Qt::Key_X || key == Qt::Key_V)) {
            key = 0;
        }
    };
    tvTasks->OnGetPopupMenu = [this](shell::TPTCustomTreeView&, shell::TTreeNode*, QPoint, QMenu*& menu) {
        UpdateActions();
        menu = popTask;
    };
    tvTasks->viewport()->installEventFilter(this);
}

void TFormScheduler::FormCreate() {
    if (!App) return;
    std::error_code ec;
    std::filesystem::create_directories(App->TasksDir, ec);
    tvTasks->SetOptions(shell::ptstoVirtualFolders | shell::ptstoDefaultKeyHandling | shell::ptstoDynamicRefresh |
                        shell::ptstoIncludeNonFolders);
    shell::TPTShellLocator base;
    base.SetPath(WithoutTrailingSlash(App->TasksDir));
    // The fill selects the top node on its way; the stored category must survive it.
    const std::string category = App->GetLastCategory();
    {
        QuietTree quiet(*this);
        tvTasks->SetBaseFolder(&base);
        tvTasks->SetOptions(tvTasks->Options() | shell::ptstoAutoFill);
        tvTasks->Reload();
        if (tvTasks->TopCount() > 0) tvTasks->TopItem(0)->setExpanded(true);
        // Categories and task files made or removed elsewhere show up by themselves.
        tvTasks->RefreshAddsFiles = true;
        tvTasks->WatchDrives();
    }
    tvTasks->SetSelectedPath(category.empty() ? WithoutTrailingSlash(App->TasksDir) : App->TasksDir + category);
}

void TFormScheduler::FormHide() {
    // The view manager keeps this view (floated and hidden); nothing here goes with it.
}

void TFormScheduler::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FormHide();
}

std::string TFormScheduler::SelectedPath() const { return WithoutTrailingSlash(tvTasks->GetSelectedPath()); }

void TFormScheduler::tvTasksChange() {
    if (!App || quiet_ > 0) return;
    const std::string path = SelectedPath();
    if (path.empty()) return;
    if (SameText(path, WithoutTrailingSlash(App->LastTask))) return;
    if (SameText(path, WithoutTrailingSlash(App->TasksDir + App->GetLastCategory()))) return;
    ShowSelection();
}

void TFormScheduler::tvTasksEdited(shell::TTreeNode* node) {
    const std::string old_path = editing_path_;
    editing_path_.clear();
    shell::TPTShTreeData* node_data = shell::TPTCustomShellTree::GetNodeData(node);
    const std::string new_path = node_data != nullptr ? WithoutTrailingSlash(node_data->GetPath()) : std::string();
    if (node != nullptr && node->Parent() != nullptr) tvTasks->SortNode(node->Parent());
    if (old_path.empty() || new_path.empty() || old_path == new_path) return;
    if (IsDirectory(new_path))
        CategoryRenamed(old_path, new_path);
    else
        TaskFileRenamed(old_path, new_path);
}

void TFormScheduler::tvTasksMouseDown(QPoint point) {
    shell::TTreeNode* node = tvTasks->NodeAt(point);
    if (node == nullptr || !tvTasks->DisplayRect(node, false).contains(point)) return;
    if (tvTasks->Selected() != node) {
        // The change shows the new selection.
        tvTasks->SetSelected(node);
        return;
    }
    ShowSelection();
}

void TFormScheduler::tvTasksDblClick() {
    const std::string path = SelectedPath();
    if (!path.empty() && !IsDirectory(path)) actTasksBrowseExecute(nullptr);
}

bool TFormScheduler::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tvTasks->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) tvTasksMouseDown(mouse->position().toPoint());
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            shell::TTreeNode* node = tvTasks->NodeAt(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && node != nullptr && node == tvTasks->Selected() &&
                !IsDirectory(SelectedPath())) {
                tvTasksDblClick();
                return true;  // a task file is browsed, not opened for renaming
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormScheduler::ShowSelection() {
    if (!App) return;
    if (listing_) {
        // The listing lets events through; the selection made meanwhile is shown once it ends.
        show_after_listing_ = true;
        return;
    }
    const std::string selected = SelectedPath();
    if (selected.empty()) return;
    const bool directory = IsDirectory(selected);
    const std::string path = directory ? selected + "/" : selected;
    if (path == App->LastTask && ShowsTaskPage(AppHostInstance().URLBoxText())) return;
    App->SetLastTask(path);
    // The tasks folder is known by its path: its node's text may be translated or renamed.
    const std::string folder = directory ? path : path.substr(0, path.rfind('/') + 1);
    if (SamePath(folder, App->TasksDir))
        App->SetLastCategory("");
    else if (PathInside(folder, App->TasksDir))
        App->SetLastCategory(CategoryOfFolder(folder));
    if (!directory)
        ShowTaskDetailsPage(selected);
    else if (!SamePath(selected, App->TasksDir))
        ShowCategoryPage();
}

}  // namespace corvane
