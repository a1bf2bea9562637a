#pragma once
// TFileOperator: a non-visual component that copies, moves, renames or deletes files through the
// shell's file operation, which shows the shell's own questions and progress and can send a
// deletion to the Trash.

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace corvane::shell {

enum class TFileOperation { foCopy, foDelete, foMove, foRename };

// In declaration order; each maps to one bit of the flags word.
enum class TFileOperationFlag {
    foAllowUndo,
    foConfirmMouse,
    foFilesOnly,
    foMultiDestFiles,
    foNoConfirmation,
    foNoConfirmMkDir,
    foRenameOnCollision,
    foSilent,
    foSimpleProgress,
};
using TFileOperationFlags = std::set<TFileOperationFlag>;

class TFileOperator : public QObject {
public:
    explicit TFileOperator(QObject* owner = nullptr);
    ~TFileOperator() override;

    TFileOperation Operation() const { return operation_; }
    void SetOperation(TFileOperation operation) { operation_ = operation; }

    // Rebuilt from the flags word bit by bit; writing sets or clears the nine bits and leaves the
    // others (the mapping handle bit) as they are.
    TFileOperationFlags Flags() const;
    void SetFlags(const TFileOperationFlags& flags);
    std::uint16_t FlagsWord() const { return flags_; }

    bool WantMappingHandle() const;
    void SetWantMappingHandle(bool want);

    const std::string& ProgressTitle() const { return progressTitle_; }
    void SetProgressTitle(const std::string& title) { progressTitle_ = title; }

    // The window the shell's dialogs belong to; null: none.
    QObject* ParentForm() const { return parentForm_.data(); }
    void SetParentForm(QObject* form) { parentForm_ = form; }

    // Names separated by ";", kept as a list of NUL-ended names closed by one more NUL; "*" and "?"
    // in a name's last part match names.
    void SetSourceFiles(const std::string& text);
    // Exact paths, each acted on as it is, whatever characters it holds.
    void SetSourcePaths(const std::vector<std::string>& paths);
    const std::string& SourceList() const { return sources_; }
    void SetDestination(const std::string& text) { destination_ = text; }
    const std::string& Destination() const { return destination_; }

    // True when every item was done; a cancel is a failure here and sets AnyOperationsAborted.
    bool Execute();
    bool AnyOperationsAborted() const { return aborted_; }

private:
    TFileOperation operation_ = TFileOperation::foCopy;
    std::uint16_t flags_;
    std::string progressTitle_;
    QPointer<QObject> parentForm_;
    std::string sources_;
    std::vector<std::string> paths_;  // exact paths; used instead of sources_ when set
    bool exact_ = false;
    std::string destination_;
    bool aborted_ = false;
};

}  // namespace corvane::shell
