#pragma once
// The task tree's two pages: a skin template ("tasks.htm", "task_details.htm") written into the
// temporary capture folder with its data put in. The template reads no file: the data travels in
// the page as a script string, and a <base> on the template's own folder lets its pictures load.
// So the browser may refuse every local read a script makes.

#include <string>

namespace corvane {

// Where a template takes its data.
inline constexpr const char* kTaskPageMarker = "<!--corvane:data-->";

// The template with its marker replaced by the <base> on template_folder and a script that sets
// corvaneData to the text. A template without the marker gets both at the start of its head (or of
// the page).
std::string MakeTaskTreePage(const std::string& template_html, const std::string& template_folder,
                             const std::string& data);

// Writes the data file data_name and, beside it, the page made from the skin's template
// template_name, both into folder; returns the page's path. Throws EFCreateError when either cannot
// be written, EFOpenError when the template cannot be read.
std::string WriteTaskTreePage(const std::string& folder, const std::string& data_name,
                              const std::string& template_name, const std::string& data);

}  // namespace corvane
