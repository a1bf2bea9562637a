#pragma once
// Whether the caller runs on the thread of the application object, the only thread that may show a
// window. False when there is no application object.

namespace corvane {

bool OnGuiThread();

}  // namespace corvane
