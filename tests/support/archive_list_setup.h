#pragma once
// The archive window's entry list as that window sets it up, for tests and benchmarks of the list.

#include "widgets/ext_list_view.h"

namespace corvane::testing {

inline void SetUpArchiveList(TExtListView& lv) {
    lv.AddColumn("Name", 150);
    lv.AddColumn("Size", 70, Qt::AlignRight);
    lv.AddColumn("Packed", 70, Qt::AlignRight);
    lv.AddColumn("Ratio", 50, Qt::AlignRight);
    lv.AddColumn("Modified", 120);
    lv.AddColumn("Path", 300);
    lv.SetExtendedStyles(lvxHeaderDragDrop | lvxFullRowSelect | lvxFlatScrollBar);
    lv.SetShowSortArrows(true);
    lv.SetAutoColumnSort(TAutoColumnSort::acsSortToggle);
    lv.SetAutoResort(false);
    lv.SetStyle(TLVStyle::lvOwnerDrawFixed);
    lv.SetHideSelection(false);
}

}  // namespace corvane::testing
