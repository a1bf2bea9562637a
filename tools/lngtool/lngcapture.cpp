// lngcapture: records the texts of the program's forms into the Native language source.
//   lngcapture SOURCE.txt
// Each registered form is created (offscreen works: QT_QPA_PLATFORM=offscreen), its admitted texts are
// captured, and the source's form-string lines are rewritten: new keys get the next free Ids, changed
// texts are updated, texts that became empty are dropped. Messages and comments stay as they are.
#include <QApplication>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "localisation/form_capture.h"
#include "localisation/lang_source.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: lngcapture SOURCE.txt\n";
        return 2;
    }
    QApplication app(argc, argv);
    corvane::RegisterWidgetLangAdapters();
    const std::string path = argv[1];
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw std::runtime_error("Cannot read " + path);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string source = text.str();

        corvane::TkLangFileEdit file("/nonexistent-corvane-capture/scratch.lng");
        corvane::ParseLangSource(source, file);
        const int before = file.StringCount();
        const int forms = corvane::CaptureRegisteredForms(file);
        const std::string rewritten = corvane::RewriteFormStrings(source, file);

        const std::string tmp = path + ".tmp";
        {
            std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
            out << rewritten;
            if (!out.flush()) throw std::runtime_error("Cannot write " + tmp);
        }
        if (std::rename(tmp.c_str(), path.c_str()) != 0) throw std::runtime_error("Cannot write " + path);
        std::cout << "lngcapture: " << forms << " forms captured, " << file.StringCount() - before
                  << " strings added (" << file.StringCount() << " in all)\n";
    } catch (const std::exception& e) {
        std::cerr << "lngcapture: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
