#pragma once
// Keeper of the archive workers (listing, extraction for browsing). A window that closes lets go of
// its job without waiting for it (opening a large archive blocks for a while with no callback);
// the job then drops its results and ends on its own, and shut-down joins whatever still runs.
// Main thread only.

#include <memory>

#include "platform/rtl/thread.h"

namespace corvane {

// Keeps job until it has ended and JoinZipJobs or a later AdoptZipJob finds it so.
void AdoptZipJob(std::shared_ptr<TThread> job);
// Shut-down: terminates every kept job and joins it, serving main-thread calls meanwhile.
void JoinZipJobs();
// Jobs kept and not yet found ended.
std::size_t ZipJobCount();

}  // namespace corvane
