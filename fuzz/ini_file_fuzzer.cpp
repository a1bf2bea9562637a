// Arbitrary bytes as an INI file. Every section and key the reader lists must be found again by
// name, and a write must leave the file readable with the value in place and the other keys kept.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_files.h"
#include "platform/inifile/ini_file.h"

using namespace corvane;
using fuzz::Check;

namespace {

const std::string& FilePath() {
    static const std::string path = fuzz::MakeFuzzFolder("ini-fuzz") + "/fuzz.ini";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = FilePath();
    fuzz::WriteFuzzFile(path, data, size);
    TIniFile ini(path);
    TStringList sections;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        const std::string section = sections[s];
        Check(ini.SectionExists(section));
        TStringList keys;
        ini.ReadSection(section, keys);
        for (int k = 0; k < keys.Count(); ++k) Check(ini.ValueExists(section, keys[k]));
        TStringList lines;
        ini.ReadSectionValues(section, lines);
    }

    // What the first section held before must still be there after a write to another one.
    TStringList before;
    if (sections.Count() > 0) ini.ReadSectionValues(sections[0], before);
    ini.WriteString("Fuzz Section", "Fuzz Key", "value");
    ini.WriteInteger("Fuzz Section", "Number", -42);
    TIniFile again(path);
    Check(again.ReadString("Fuzz Section", "Fuzz Key", "") == "value");
    Check(again.ReadInteger("Fuzz Section", "Number", 0) == -42);
    if (sections.Count() > 0 && LowerCase(sections[0]) != "fuzz section") {
        TStringList after;
        again.ReadSectionValues(sections[0], after);
        Check(after.Text() == before.Text());
    }
    return 0;
}
