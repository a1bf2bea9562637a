#include "archive/form_zip_hooks.h"

#include <cstdint>

#include "archive/form_zip.h"
#include "engine/model/task.h"
#include "widgets/app_host.h"

namespace corvane {

void* TFormZipArchiveHooks::OpenArchive(TCVTask& task) {
    TFormZip* form = view_(true);
    if (form == nullptr) return nullptr;
    const TZipNodeId node = form->OpenZip(task.Destination);
    if (TZipObj* obj = form->Tree().Obj(node)) {
        obj->Extracted = true;
        obj->BrowseRoot = task.GetFolder();
    }
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(node));
}

void TFormZipArchiveHooks::CloseArchive(TCVTask& task) {
    AppHostInstance().RemoveRecentArchive(task.Destination);
    TFormZip* form = view_(false);
    if (form == nullptr) return;
    const TZipNodeId node = form->Tree().FindArchive(task.Destination);
    if (node == 0) return;
    // The listing of the missing file ends at once; a close waits for it.
    form->WaitForListing();
    form->CloseUnwrittenZip(node);
}

void TFormZipArchiveHooks::ArchiveAddsEnded(TCVTask& task) {
    TFormZip* form = view_(false);
    if (form == nullptr) return;
    // Each add placed its node in the tree, but the list and the Pages tab still show the archive
    // as it was opened.
    form->ListAgain(form->Tree().FindArchive(task.Destination));
}

void TFormZipArchiveHooks::AbortArchive() {
    if (TFormZip* form = view_(false)) form->Zip.Abort = true;
}

bool TFormZipArchiveHooks::ArchiveBusy() {
    TFormZip* form = view_(false);
    return form != nullptr && form->ArchiveBusy();
}

bool TFormZipArchiveHooks::AddToArchive(TCVTask& task, const std::string& local_file, const std::string& comment) {
    last_ = {};
    TFormZip* form = view_(true);
    if (form == nullptr) return false;
    TZipNodeId node = form->Tree().FindArchive(task.Destination);
    if (node == 0) {
        // The user closed it: open it again; the add waits for its listing.
        node = OpenArchive(task) != nullptr ? form->Tree().FindArchive(task.Destination) : 0;
        form->WaitForListing();
    }
    const TZipNode* top = form->Tree().Node(node);
    if (top == nullptr) return false;
    if (form->Tree().Node(form->Selected()) == nullptr || form->Tree().Node(form->Selected())->Archive != node)
        form->SelectNode(node, true);
    form->AddingFile = {local_file, comment.substr(0, 255)};
    form->CaptureAdd = true;
    form->UserAddMode = false;
    form->CaptureFolder = task.GetFolder();
    form->AddQueuedFile(local_file);
    form->AddingFile = {};
    form->CaptureAdd = false;
    form->UserAddMode = true;
    last_ = form->LastResult();
    return last_.Outcome == 0;
}

std::string TFormZipArchiveHooks::ArchiveAddFailure() {
    if (last_.Outcome < 2) return {};
    return last_.Message.empty() ? "the zip library failed" : last_.Message;
}

std::string TFormZipArchiveHooks::RenameArchive(TCVTask& task, const std::string& new_name) {
    TFormZip* form = view_(false);
    if (form == nullptr) return {};
    const TZipNodeId node = form->Tree().FindArchive(task.Destination);
    if (node == 0 || !form->RenameZip(node, new_name)) return {};
    return form->Tree().Obj(node)->ZipFileName;
}

}  // namespace corvane
