#include "engine/model/version.h"

namespace corvane {

const char* ProductVersionText() { return "3.0.0"; }

}  // namespace corvane
