#pragma once
// A queue file's text as line pairs (URL, record): split into lines and repaired so that every pair
// can be selected and written back.

#include <string>
#include <vector>

namespace corvane {

// URL lines never hold a line break: it would misalign every later pair.
std::string QueueURL(const std::string& url);

// The lines of a queue file's text, which ends them in LF or CR LF.
std::vector<std::string> SplitQueueLines(const std::string& text);

// Makes the lines a sound list of pairs: a last URL without its record goes to orphan, URL lines
// lose stray line breaks, a URL listed again loses its later pairs, and transfers that were running
// when the queue was saved are put back. True when anything changed. path is for the log.
bool RepairQueueLines(std::vector<std::string>& lines, const std::string& path, std::string& orphan);

}  // namespace corvane
