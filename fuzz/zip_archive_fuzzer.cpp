// Random archives through the unzip library: listing, count, entry information and extraction.
// Besides memory errors it checks that extraction wrote nothing beside its target folder and made
// no symbolic link.

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/zipdll/xcdzip_api.h"

extern "C" int32_t xcdunzip(int32_t version, int32_t argc, char** argv, XcdCallback callback, void* component);

namespace {

std::string scratch;

int32_t Answer(int32_t message, void* data, void*) {
    if (message == XCD_MSG_PASSWORD) {
        auto* p = static_cast<XcdPasswordData*>(data);
        std::snprintf(p->Password, XCD_PASSWORD_SIZE, "pw");
        p->Answer = XCD_PASSWORD_EXTRACT;
    } else if (message == XCD_MSG_REPLACE) {
        auto* r = static_cast<XcdReplaceData*>(data);
        std::snprintf(r->NewName, XCD_NAME_SIZE, "renamed/x");
        r->Answer = XCD_REPLACE_YES;
    }
    return XCD_ANSWER_CONTINUE;
}

int Call(std::vector<std::string> args, int argc = -1) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return xcdunzip(XCD_PROTOCOL_VERSION, argc >= 0 ? argc : static_cast<int>(args.size()), argv.data(), &Answer,
                    nullptr);
}

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

int CountLinks(const char* path, const struct stat* st, int flag, struct FTW*) {
    (void)path;
    (void)st;
    if (flag == FTW_SL) std::abort();  // extraction made a link
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (scratch.empty()) {
        char pattern[] = "/tmp/xcd-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        scratch = pattern;
    }
    const std::string archive = scratch + "/in.zip";
    const std::string target = scratch + "/t/out";
    FILE* file = std::fopen(archive.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);

    Call({"", "-v", archive});
    Call({"0", archive}, 1);
    Call({"1", archive}, 1);
    Call({"3", archive}, 1);
    Call({"", "-o", archive, "-d", target});
    Call({"pw", archive, "-d", target});  // again, so existing files meet the replace answer
    Call({"", "-j", "-n", archive, "*.*", "-x", "*.txt", "-d", target});

    nftw(target.c_str(), &CountLinks, 16, FTW_PHYS);
    // Only the target folder may exist beside the archive.
    DIR* dir = opendir((scratch + "/t").c_str());
    if (dir != nullptr) {
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != ".." && name != "out") std::abort();
        }
        closedir(dir);
    }
    DIR* top = opendir(scratch.c_str());
    if (top != nullptr) {
        while (const dirent* e = readdir(top)) {
            const std::string name = e->d_name;
            if (name != "." && name != ".." && name != "t" && name != "in.zip") std::abort();
        }
        closedir(top);
    }
    nftw((scratch + "/t").c_str(), &RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
    return 0;
}
