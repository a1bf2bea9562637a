#include "archive/zip_result.h"

namespace corvane {

TZipResult ZipResultOf(int code, const std::string& verb) {
    TZipResult r;
    if (code <= 0) return r;
    r.Outcome = 2;
    switch (code) {
        case 10:
        case 30:
        case 140:
            r.Outcome = 1;
            break;
        case 40:
            r.Outcome = 1;
            r.Message = "Some files were skipped while " + verb + ".";
            r.Information = true;
            break;
        case 50:
            r.Outcome = 1;
            r.Message = "The Zip file is empty.";
            r.Information = true;
            break;
        case 100:
            r.Message = "Could not find the archive file.";
            break;
        case 110:
        case 160:
            r.Message = "The archive file is corrupted. Try using the Fix option on it.";
            break;
        case 120:
            r.Message = "Ran out of memory while " + verb + ".";
            break;
        case 150:
            r.Message = "Disk full while " + verb + ".";
            break;
        case 180:
            r.Message =
                "Another application is currently performing a similar task. Wait until the other application has "
                "completed its operation.";
            break;
        case 190:
            break;
        case 200:
            r.Message = "Test failed - Errors in the archive.";
            break;
        case 210:
            r.Message = "No files ended up being tested in the archive.";
            break;
        case 240:
            r.Message = "The XCDZIP32.DLL or the XCDUNZ32.DLL file could not be found.";
            break;
        case 280:
            r.Message = "Problem with the temporary file.";
            break;
        case 350:
            r.Message = "Attempt to remove parent directory.";
            break;
        case 370:
            r.Message = "Names repeated in archive after discarding pathnames.";
            break;
        case 380:
            r.Message = "Could not update the Zip archive date. Archive only contains directories or is empty.";
            break;
        case 400:
            r.Message = "Could not access the Zip file or one of the files to process.";
            break;
        case 410:
            r.Message = "Attempt to work with a multiple-disk Zip archive, but not in multidisk mode.";
            break;
        case 420:
            r.Message = "Wrong disk was inserted too many times.";
            break;
        default:
            r.Message = "An error occured while " + verb + " the specified files.";
            break;
    }
    return r;
}

}  // namespace corvane
