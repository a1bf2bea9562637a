#pragma once
// The small start page the browser view shows: it goes on to the home URL once the browser is online.

#include <string>

namespace corvane {

// Lines end in CR LF. An empty URL gives the page without any redirect (it would reload itself).
std::string StartPageHTML(const std::string& url);

// The text as a JavaScript string literal (quotes included) that is safe inside a script element.
std::string JavaScriptStringLiteral(const std::string& text);

}  // namespace corvane
