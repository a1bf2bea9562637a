#pragma once
// One absolute item-id list seen as an array of its items. The list is not owned; each extracted
// piece is, and is freed by the next extraction or with the array.

#include "shell/ns/pidl.h"

namespace corvane::shell {

class TPTIdListArray {
public:
    explicit TPTIdListArray(PCItemIDList list) : list_(list) {}

    int Count() const { return PidlItemCount(list_); }
    // Item i as a one-item list (item 0 of an empty list is the empty list); an index below 0, a
    // nil list, or i >= Count when Count > 0 raises EShellError.
    PCItemIDList Items(int index);
    // The first Count - levels items; nil when the list is shorter.
    PCItemIDList GetParent(int levels);

private:
    PCItemIDList list_;
    UniquePidl cache_;
};

}  // namespace corvane::shell
