// Where the installed language files are.
#include <sys/stat.h>

#include "localisation/app_language.h"

namespace corvane {

std::string DefaultLanguageDir() {
    // Running from a build tree (its source resources exist): the build compiles the language sources
    // into its own resources/lang folder, since the source tree holds only the text sources.
    struct stat st {};
    if (stat(CORVANE_SOURCE_RESOURCES, &st) == 0 && S_ISDIR(st.st_mode)) return CORVANE_BUILD_LANG_DIR "/";
    return CORVANE_INSTALL_RESOURCES "/lang/";
}

}  // namespace corvane
