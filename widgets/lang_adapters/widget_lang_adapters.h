#pragma once
// Registers the widget classes with the form translator (once; later calls do nothing). The program
// and the widget tests call it before the first form is created.
//
//   Caption  window title, tab text of a tab page (rule class "TTabSheet"), label and button text,
//            group box and menu title, action text
//   Hint     tool tip
//   Text     line edit text
//   Items    combo box and list widget items
//   Lines    plain-text and rich-text edit contents, one entry for all lines
//   Columns  header sections of tree and table views: Columns.ItemN.Caption (rule class "TListColumn")
//
// Every widget also takes the reading order of the language and the fonts of its entries.

namespace corvane {

void RegisterWidgetLangAdapters();

}  // namespace corvane
