#pragma once
// Qt's own worker pools end with the application, but not at once. The raster engine hands large
// fills to a pool that the application's destructor stops: it waits until each worker has run its
// last task, not until the thread is gone. A worker still leaving holds the last reference to its
// thread data and drops it only on its way out. If the process exits first, the leak checker can
// find that data with nothing pointing at it and report it.

namespace corvane::testing {

// The threads of Qt's worker pools that still exist in this process.
int QtPoolThreadCount();

// Waits until no such thread is left (at most a few seconds: a pool that is still alive, idle,
// keeps its threads, and those hold nothing that could be reported).
void WaitForQtPoolThreadsToEnd();

}  // namespace corvane::testing
