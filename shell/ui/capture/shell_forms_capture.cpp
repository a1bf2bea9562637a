// The shell's forms as lngcapture records their texts.

#include <memory>

#include "localisation/form_capture.h"
#include "shell/ui/folder_browse_dlg.h"

namespace corvane::shell {

[[maybe_unused]] const bool kFolderBrowseFormRegistered = corvane::RegisterCaptureForm(
    "PTFrmFolderBrowseDlg", [] { return std::unique_ptr<QObject>(new TPTFrmFolderBrowseDlg); });

}  // namespace corvane::shell
