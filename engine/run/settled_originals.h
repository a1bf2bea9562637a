#pragma once
// A page's kept original ("<page>:original") is needed only until the queue file records the page
// as Parsed. A kill between that write and the original's removal leaves it behind; a run start
// finds such leftovers from the queue it loaded.

#include <string>
#include <vector>

namespace corvane {

class TCVTask;

// The kept originals on disk whose page the task's queue records as Parsed or Zipped. Main thread.
std::vector<std::string> SettledOriginals(TCVTask& task);
// Removes them (any thread: no item refers to them any more).
void RemoveOriginals(const std::vector<std::string>& originals);

}  // namespace corvane
