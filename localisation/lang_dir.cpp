// Where the installed language files are.
#include "localisation/app_language.h"
#include "platform/rtl/paths.h"

namespace corvane {

std::string DefaultLanguageDir() {
    // Running from a build tree the resources are the source tree's, which holds only the language
    // sources; the build compiles them into its own resources/lang folder.
    const std::string resources = ResourcesDir();
    if (resources == WithTrailingSlash(CORVANE_SOURCE_RESOURCES)) return WithTrailingSlash(CORVANE_BUILD_LANG_DIR);
    return resources + "lang/";
}

}  // namespace corvane
