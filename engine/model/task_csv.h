#pragma once
// Comma-separated lines of the task tree's data files ("tasks.txt", "task_details.txt").

#include <string>

namespace corvane {

// The field in double quotes, inner quotes doubled and CR and LF dropped: text from the web (a page
// title) can never end the field or the line early.
std::string CSVQuote(const std::string& field);

}  // namespace corvane
