// lngtool: language files from and to text.
//   lngtool build SOURCE.txt OUT.lng [HEADER.h]   compile a UTF-8 source (and the message id header)
//   lngtool dump FILE.lng                          print a language file as source text
//   lngtool header SOURCE.txt HEADER.h             only the message id header
#include <cstdio>
#include <fstream>
#include <unistd.h>
#include <iostream>
#include <sstream>

#include "localisation/lang_file_edit.h"
#include "localisation/lang_source.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) throw std::runtime_error("Cannot write " + path);
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) throw std::runtime_error("Cannot write " + path);
}

// The file starts empty whatever exists at `out`: nothing of an earlier build is kept.
std::vector<corvane::LangSourceName> Build(const std::string& source, const std::string& out) {
    std::remove(out.c_str());
    corvane::TkLangFileEdit file(out);
    auto names = corvane::ParseLangSource(ReadText(source), file);
    file.Save();
    return names;
}

int Usage() {
    std::cerr << "usage: lngtool build SOURCE.txt OUT.lng [HEADER.h]\n"
                 "       lngtool dump FILE.lng\n"
                 "       lngtool header SOURCE.txt HEADER.h\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() >= 3 && args.size() <= 4 && args[0] == "build") {
            const auto names = Build(args[1], args[2]);
            if (args.size() == 4) WriteText(args[3], corvane::MessageIdHeader(names));
            return 0;
        }
        if (args.size() == 2 && args[0] == "dump") {
            const std::string name = args[1].find('/') == std::string::npos ? "./" + args[1] : args[1];
            corvane::TKLangFile file(name);
            if (file.Empty && access(file.FileName.c_str(), F_OK) != 0)
                throw std::runtime_error("No such language file: " + file.FileName);
            std::cout << corvane::DumpLangSource(file);
            return 0;
        }
        if (args.size() == 3 && args[0] == "header") {
            corvane::TkLangFileEdit scratch("/nonexistent/lngtool-scratch");
            WriteText(args[2], corvane::MessageIdHeader(corvane::ParseLangSource(ReadText(args[1]), scratch)));
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << "lngtool: " << e.what() << "\n";
        return 1;
    }
    return Usage();
}
