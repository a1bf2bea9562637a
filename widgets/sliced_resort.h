#pragma once
// Resorting a long list by its current column without holding the main thread: the order is made
// a slice per turn of the event loop and put in place at once at the end, the same order Resort
// gives. A list changed meanwhile is resorted at once when the slices end.

#include <functional>

namespace corvane {

class TCustomEnhListView;

// Calls done once the list is sorted (at once when it has nothing to sort, or sorts by a custom
// comparison or inside an update bracket: then as Resort does). done is dropped with the list.
void ResortInSlices(TCustomEnhListView& list, std::function<void()> done);

}  // namespace corvane
