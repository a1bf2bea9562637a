#pragma once
// A write failure on demand, for tests that cannot fill a real disk (no mount namespace, or a
// test inside one process): every whole-file rewrite of a path that starts with the prefix fails
// with the error, as a full disk would, and keeps the old file. Off unless a test sets it.

#include <string>

namespace corvane {

// error 0 ends the failure.
void SetWriteFault(const std::string& path_prefix, int error);
// The error a rewrite of path fails with; 0 for none.
int WriteFaultFor(const std::string& path);

}  // namespace corvane
