#pragma once
// The task explorer view: every queued URL of App's current task with its state, read from the queue
// on demand, where the user marks items for download, update or mapping before the next run and opens
// an item's captured file or its address.
//
// Main thread only. Every mark change is saved at once (queue file and task file): the schedule tick
// loads tasks afresh from disk. Marks are for the next run, so they cannot change while the task runs.

#include <QPixmap>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "engine/queue/queue_item.h"

class QAction;
class QMenu;

namespace corvane {

class TCVTask;
class TExploreModel;
class TExtListView;
class TKMLang;

class TFormExplore : public QWidget {
    Q_OBJECT
public:
    explicit TFormExplore(QWidget* parent = nullptr);
    ~TFormExplore() override;

    // Rebuilds the list for App's current task (the main window calls it when the current task
    // changes); opens the task's queue when it holds no lines.
    void RefreshList();
    // Reads the row count again, so that rows queued by a running task appear (each stats update).
    void UpdateRowCount();
    // The row count, and the visible rows read again from the queue (at each stats update and at a
    // run's end: the rows are drawn from the queue, never kept).
    void UpdateRows();
    // Sets the mark and state of the item at the URL line and writes the record back (not saved).
    void SetItemMark(int line, TCVItemMark mark, TCVItemState state);
    // The first selected row's captured file or address; sender is "&Offline", "Online" or none (a
    // double click).
    void BrowseClick(QObject* sender);
    void lvExploreMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

    TExploreModel& Model() const { return *model_; }
    // Whether marks may change: a task is shown and it is not running.
    bool MarkingAllowed() const;

    TExtListView* lvExplore;
    std::vector<QPixmap> ilCheck;
    QMenu* popExplore;
    QMenu* miMarkDownload;
    QAction* miDownloadSelected;
    QAction* miDownloadAll;
    QAction* miDownloadErrors;
    QAction* miDownloadUnmarked;
    QMenu* miMarkUpdate;
    QAction* miUpdateSelected;
    QAction* miUpdateAll;
    QMenu* miMarkMapping;
    QAction* miMappingSelected;
    QAction* miMappingAll;
    QMenu* miUnmark;
    QAction* miUnmarkSelected;
    QAction* miUnmarkAll;
    QMenu* miBrowse;
    QAction* miBrowseOffline;
    QAction* miBrowseOnline;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPopup();
    void popExplorePopup();
    std::vector<int> SelectedRows() const;
    // Marks, with state None, each row (the selected ones or all) whose item take accepts, then
    // repaints and saves. A record that cannot be read is skipped.
    void MarkRows(bool selected_only, TCVItemMark mark, const std::function<bool(const TCVQItem&)>& take);
    void ApplyMark(TCVQItem& item, TCVItemMark mark, TCVItemState state);
    void SaveMarks(TCVTask& task);
    void lvExploreData(int item, int sub_item, QString& text);
    bool OnRowIcon(int x) const;

    TExploreModel* model_;
    TKMLang* lang_;
    bool refreshing_ = false;
    bool refresh_again_ = false;
    bool count_sync_queued_ = false;
};

}  // namespace corvane
