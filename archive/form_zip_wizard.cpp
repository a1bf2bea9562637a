// The archive window's side of the file zip wizard: the archive chosen is opened or made, and the
// files chosen are added from where they lie.

#include "archive/form_zip.h"
#include "archive/wiz_file_zip.h"
#include "widgets/app_host.h"

namespace corvane {

void TFormZip::RunZipWizard(const std::vector<std::string>& files) {
    TFormZipScope scope(*this);
    TwizFileZip wizard(Zip, this);
    wizard.SetFileName(Zip.ZipFileName);
    for (const std::string& file : files) wizard.FileList.Add(file);
    if (wizard.exec() != QDialog::Accepted) return;
    Action = wizard.Action;
    const std::string name = wizard.FileName();
    if (wizard.OpenExisting) {
        OpenZip(name);
    } else {
        NewZip(name);
        AppHostInstance().AddRecentArchive(name);
    }
    AddChosenFiles(wizard.FileList.Items(), Action);
}

int TFormZip::AddChosenFiles(const std::vector<std::string>& files, int mode) {
    TFormZipScope scope(*this);
    // An archive just opened is still being listed on a worker: its nodes first, then the add.
    WaitForListing();
    if (SelectedArchive() == 0 || files.empty()) return 0;
    // Whatever the last capture add left set, these files are not in the capture folder.
    UserAddMode = true;
    return AddFiles(files, mode);
}

}  // namespace corvane
