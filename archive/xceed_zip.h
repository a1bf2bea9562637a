#pragma once
// TXceedZip: every archive operation of the program, as one call into one of the two zip libraries
// (libxcdzip32.so: add and delete; libxcdunz32.so: extract, list, count, entry information). The
// properties become a vector of switch strings, the library's callback messages become events, and
// the library's result code comes back unchanged. One component per thread: a component is used
// on one thread only, and only calls made on the main thread let the main loop run from their
// callbacks (so windows stay live during long operations); a worker's calls never do.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/xcd_types.h"
#include "archive/zip_library.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/string_list.h"

namespace corvane {

class TXceedZip;

using TXcdFileNameEvent = std::function<void(TXceedZip&, const std::string& fileName)>;
using TXcdFileStatsEvent = std::function<void(TXceedZip&, const TXcdFileStats&)>;
using TXcdReplaceEvent = std::function<void(TXceedZip&, TXcdReplace&)>;
using TXcdPwdQueryEvent = std::function<void(TXceedZip&, TXcdPwdQuery&)>;
using TXcdFileCommentEvent = std::function<void(TXceedZip&, TXcdFileComment&)>;
using TXcdSkippingEvent = std::function<void(TXceedZip&, const TXcdSkipping&)>;
using TXcdNewdiskEvent = std::function<void(TXceedZip&, int diskNumber)>;
using TXcdGlobalStatsEvent = std::function<void(TXceedZip&, const TXcdFileStats&)>;
using TXcdRenameEvent = std::function<void(TXceedZip&, TXcdReplace&)>;

// Self-extractor settings, handed to the library by mode 3 of Add only.
struct TXcdSfxSettings {
    std::array<std::string, 31> Texts{};
    std::uint32_t Options = 0;
    std::string Icon;
    TStringList ReadmeLines;
    TStringList LicenseLines;
    std::string DefaultFolder;
    std::string CommandLine;
};

// Codes the component itself returns.
constexpr int kXcdNoLibrary = 240;       // a library or an export the call needs could not be loaded
constexpr int kXcdMultidiskRefused = 430;

struct TXceedZipDeleter {
    void operator()(TXceedZip* zip) const;
};
using TXceedZipPtr = std::unique_ptr<TXceedZip, TXceedZipDeleter>;

class TXceedZip {
public:
    // Components live on the heap so that freeing one during its own call (a window closed while
    // the callback lets the main loop run) can wait until the call has returned.
    static TXceedZipPtr Create();
    // Frees the component now, or when the running call returns; until then callbacks answer stop
    // and raise no events.
    void Free();

    TXceedZip(const TXceedZip&) = delete;
    TXceedZip& operator=(const TXceedZip&) = delete;

    // Properties (values after creation).
    TStringList FilesToProcess;   // ">spec" includes, "<spec" excludes; cleared after every operation
    TXcdCompressionLevel Compression = 6;
    bool ClearDisks = false;
    bool MoveFiles = false;
    bool MultidiskMode = false;
    std::string ExtractDirectory;
    bool IncludeHiddenFiles = false;
    bool IncludeDirectoryEntries = false;
    bool IncludeVolumeLabel = false;
    TXcdOverwrite Overwrite = xowAsk;
    bool Recurse = false;
    std::string Password;
    bool SelfExtracting = false;
    std::string SfxBinary;
    std::string StoredExtensions = ".ZIP;.LZH;.ARC;.ARJ;.ZOO";
    std::string TempPath;
    bool UsePaths = true;
    bool UseTempFile = true;
    std::string ZipFileName;
    // Folder the relative specs of Add are read from, and made entry names against; '' reads them
    // against the working folder. Specs leaving it and links below it are skipped. An add library
    // without base folders refuses such an Add with kXcdNoLibrary rather than read the working folder.
    std::string BaseFolder;
    // Delete, Extract and List name exact entries: every item of FilesToProcess is an entry name,
    // matched byte for byte, never a wildcard, include or exclude. Cleared after every operation.
    bool ExactNames = false;

    // Events; one without a handler is skipped.
    TXcdReplaceEvent OnReplace;
    TXcdFileStatsEvent OnTesting;
    TXcdFileStatsEvent OnExtracting;
    TXcdFileStatsEvent OnListing;
    TXcdPwdQueryEvent OnPwdQuery;
    TXcdNewdiskEvent OnNewdisk;
    TXcdFileCommentEvent OnFileComment;
    TXcdFileStatsEvent OnUpdating;
    TXcdFileStatsEvent OnAdding;
    TXcdFileNameEvent OnDeleting;
    TXcdFileStatsEvent OnStatus;
    TXcdSkippingEvent OnSkippingFile;
    TXcdFileNameEvent OnFixing;
    TXcdGlobalStatsEvent OnGlobalStatus;  // no message raises it
    TXcdRenameEvent OnRename;             // no message raises it

    // Fields.
    bool Abort = false;  // while set, every callback answers stop; cleared around every call
    TDateTime DateFilter = EncodeDate(1980, 1, 1);
    int FirstIndex = 0;
    int LastIndex = -1;
    int FileCount = 0;
    TXcdFileStats FileInfo;
    bool PasswordSent = false;
    std::uint8_t PasswordAnswerKind = 2;
    TXcdSfxSettings SfxSettings;

    // Operations; each returns the library's result code.
    int Add(int mode);  // 0 add, 1 freshen, 2 update, 3 self-extracting
    int Delete();
    int Extract(int mode);  // 0 extract, 1 freshen, 2 update
    int List();
    int GetFileCount();
    TXcdFileStats GetFileInfo(int index);

    // The archive comment held between messages 130 and 140 (at most 255 bytes).
    const std::string& ArchiveComment() const { return archiveComment_; }

    // The file specs of FilesToProcess: plain specs in order, then, only when there is one, "-i" and
    // the include specs and "-x" and the exclude specs without their markers. Without includes an
    // entry starting with ">" is a plain spec, marker and all. With ExactNames every item is plain.
    std::vector<std::string> AddFileArgs(bool includesAllowed) const;

    // The vector of the last call (or of the last refusal), for the archive window's diagnostics.
    const std::vector<std::string>& LastVector() const { return lastVector_; }

    // The callback entry the libraries call; public for the C boundary only.
    static std::int32_t Callback(std::int32_t message, void* data, void* component);

private:
    TXceedZip();
    ~TXceedZip() = default;
    friend struct TXceedZipDeleter;

    class CallScope;
    enum class Library { Zip, Unzip };

    int Call(Library library, std::vector<std::string> vector, int argc = -1, bool withBase = false);
    int Finish(int code);
    void HandleMessage(std::int32_t message, void* data);
    void HandlePassword(void* data);
    std::string DateFilterText() const;

    ZipLibrary zipLibrary_{"libxcdzip32.so", "xcdzip"};
    ZipLibrary unzipLibrary_{"libxcdunz32.so", "xcdunzip"};
    std::string archiveComment_;
    std::vector<std::string> lastVector_;
    int callDepth_ = 0;
    bool freePending_ = false;
};

// The DOS date and time of a file record as a date-time; 1980-01-01 00:00 when out of range.
TDateTime DosToDateTime(std::uint16_t dosDate, std::uint16_t dosTime);

}  // namespace corvane
