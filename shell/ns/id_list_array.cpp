#include "shell/ns/id_list_array.h"

#include <string>

namespace corvane::shell {

PCItemIDList TPTIdListArray::Items(int index) {
    const int count = Count();
    if (index < 0 || list_ == nullptr || (count > 0 && index >= count))
        throw EShellError("TPTIdListArray - index " + std::to_string(index) + " out of range");
    cache_.reset();
    PCItemIDList item = list_;
    for (int k = 0; k < index; ++k) item = NextItem(item);
    // The item and a fresh terminator (only the terminator for an empty list).
    cache_.reset(CopyFirstItems(item, 1));
    return cache_.get();
}

PCItemIDList TPTIdListArray::GetParent(int levels) {
    cache_.reset();
    const int count = Count();
    if (list_ == nullptr || levels < 0 || levels > count) return nullptr;
    cache_.reset(CopyFirstItems(list_, count - levels));
    return cache_.get();
}

}  // namespace corvane::shell
