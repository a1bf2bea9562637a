#pragma once
// Thread priorities as far as Linux gives them without privilege.

namespace corvane {

// Lowers the calling thread's priority one step below normal, for good: without privilege Linux
// lets a thread lower its priority but not raise it back. False when the system refused.
bool LowerThreadPriority();

}  // namespace corvane
