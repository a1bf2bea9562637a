#pragma once
// What the embedded browser may load from the local disk. A captured page is hostile input: it may
// show its own files, but no script may read a local file, and no page or frame may come from
// outside the capture folders (the launcher's one rule) and the program's resources.

#include <QUrl>

namespace corvane {

enum class BrowserLoad { Page, Frame, ScriptRead, Other };

// Whether the browser may go ahead with the load. Non-file URLs are not this policy's business.
bool BrowserMayLoad(const QUrl& url, BrowserLoad kind);

// What Navigate takes: an http or https address, or a local path (plain or as a file:// URL).
// The URL to load, or an empty URL when refused.
QUrl BrowserNavigateTarget(const QString& text);

}  // namespace corvane
