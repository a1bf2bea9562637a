#pragma once
// The pauses of the shell's windows; tests shorten them.

#include <chrono>

namespace corvane::shell {

struct ShellTiming {
    // A file operation shorter than this never shows its progress window.
    std::chrono::milliseconds ProgressDelay{500};
    // The shell tree waits this long after a folder change before it refreshes: a burst of changes
    // gives one refresh. Shorter while the tree has the focus, since the user looks at it.
    std::chrono::milliseconds RefreshDelayFocused{400};
    std::chrono::milliseconds RefreshDelayUnfocused{2000};
    // A keyboard move in the tree reaches a linked shell list after this pause.
    std::chrono::milliseconds SelectionSyncDelay{500};
    // Scrolling while something is dragged near an edge: one line per this much time at most.
    std::chrono::milliseconds DragScrollPace{100};
    // How long the tree drops the change messages its own rename or new folder causes.
    std::chrono::milliseconds OwnChangeWindow{1000};
};

}  // namespace corvane::shell
