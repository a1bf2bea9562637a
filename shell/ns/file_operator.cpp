#include "shell/ns/file_operator.h"

#include <array>

#include "shell/ns/file_op_engine.h"

namespace corvane::shell {

namespace {

// The bit of each flag, in the order the flags are declared.
constexpr std::array<std::uint16_t, 9> kFlagBits = {
    fof::AllowUndo,      fof::ConfirmMouse,      fof::FilesOnly, fof::MultiDestFiles,  fof::NoConfirmation,
    fof::NoConfirmMkDir, fof::RenameOnCollision, fof::Silent,    fof::SimpleProgress,
};

FileOpKind KindOf(TFileOperation operation) {
    switch (operation) {
    case TFileOperation::foMove:
        return FileOpKind::Move;
    case TFileOperation::foDelete:
        return FileOpKind::Delete;
    case TFileOperation::foRename:
        return FileOpKind::Rename;
    case TFileOperation::foCopy:
        break;
    }
    return FileOpKind::Copy;
}

}  // namespace

TFileOperator::TFileOperator(QObject* owner)
    : QObject(owner), flags_(fof::AllowUndo | fof::NoConfirmMkDir), progressTitle_("File Operation") {}

TFileOperator::~TFileOperator() {
    sources_.clear();
    paths_.clear();
    destination_.clear();
}

TFileOperationFlags TFileOperator::Flags() const {
    TFileOperationFlags flags;
    for (std::size_t i = 0; i < kFlagBits.size(); ++i)
        if ((flags_ & kFlagBits[i]) != 0) flags.insert(static_cast<TFileOperationFlag>(i));
    return flags;
}

void TFileOperator::SetFlags(const TFileOperationFlags& flags) {
    for (std::size_t i = 0; i < kFlagBits.size(); ++i) {
        if (flags.count(static_cast<TFileOperationFlag>(i)) != 0)
            flags_ = static_cast<std::uint16_t>(flags_ | kFlagBits[i]);
        else
            flags_ = static_cast<std::uint16_t>(flags_ & ~kFlagBits[i]);
    }
}

bool TFileOperator::WantMappingHandle() const { return (flags_ & fof::WantMappingHandle) != 0; }

void TFileOperator::SetWantMappingHandle(bool want) {
    flags_ = static_cast<std::uint16_t>(want ? flags_ | fof::WantMappingHandle : flags_ & ~fof::WantMappingHandle);
}

void TFileOperator::SetSourceFiles(const std::string& text) {
    sources_ = text;
    for (char& c : sources_)
        if (c == ';') c = '\0';
    sources_ += '\0';
    sources_ += '\0';
    paths_.clear();
    exact_ = false;
}

void TFileOperator::SetSourcePaths(const std::vector<std::string>& paths) {
    sources_.clear();
    for (const std::string& path : paths) sources_ += path + '\0';
    sources_ += '\0';
    paths_ = paths;
    exact_ = true;
}

bool TFileOperator::Execute() {
    FileOpRequest request;
    request.kind = KindOf(operation_);
    request.sources = paths_;
    request.patterns = !exact_;
    // The list's names end at each NUL; an empty name ends the list.
    for (std::size_t at = 0; !exact_ && at < sources_.size();) {
        const std::size_t end = sources_.find('\0', at);
        const std::string name = sources_.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (name.empty()) break;
        request.sources.push_back(name);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    if (!destination_.empty()) request.destinations.push_back(destination_);
    request.flags = flags_;
    request.progressTitle = progressTitle_;
    request.parent = parentForm_.data();
    const FileOpResult result = RunFileOperation(request);
    aborted_ = result.aborted;
    return result.ok;
}

}  // namespace corvane::shell
