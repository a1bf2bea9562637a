// Feeds arbitrary bytes to the language file reader. Whatever it accepts must be sorted by Id, find
// every entry it holds, and read back the same after being written out again.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "localisation/lang_file_edit.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

class FuzzFile : public corvane::TkLangFileEdit {
public:
    FuzzFile() : TkLangFileEdit("/nonexistent-corvane-fuzz/x.lng") {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    static FuzzFile file;
    static FuzzFile again;
    try {
        file.LoadFromBytes(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const ELangFileError&) {
        Check(file.StringCount() == 0 && file.Props.Sections().empty());
        return 0;
    }
    for (int i = 0; i < file.StringCount(); ++i) {
        const auto entry = file.StringAt(i);
        if (i > 0) Check(file.Strings[static_cast<std::size_t>(i - 1)].Id <= entry.Id());
        const auto found = file.FindStr(entry.Id());
        Check(found && found->Id() == entry.Id());
        (void)entry.PropName();
    }
    std::string bytes;
    try {
        bytes = file.SaveToBytes();  // may refuse texts its code page cannot hold again
    } catch (const ELangFileError&) {
        return 0;
    }
    again.LoadFromBytes(bytes);  // what we write we must read
    Check(again.StringCount() == file.StringCount());
    for (int i = 0; i < file.StringCount(); ++i) {
        Check(again.Strings[static_cast<std::size_t>(i)].Id == file.Strings[static_cast<std::size_t>(i)].Id);
        Check(again.Strings[static_cast<std::size_t>(i)].Text == file.Strings[static_cast<std::size_t>(i)].Text);
    }
    Check(again.Charset == file.Charset && again.Fonts == file.Fonts);
    return 0;
}
