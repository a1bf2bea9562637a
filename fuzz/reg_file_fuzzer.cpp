// Arbitrary bytes through the registry store's file reader. What it accepts must come out of the
// store as a file that reads back into the same store, byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry/reg_file.h"
#include "platform/registry/registry_store.h"
#include "platform/rtl/log.h"

using namespace corvane;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        SetLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    RegistryStore store;
    const RegImportResult first = store.ImportText(std::string(reinterpret_cast<const char*>(data), size));
    const std::string exported = store.ExportText();
    if (!first.Ok) Check(exported == std::string(kRegEdit4Header) + "\r\n");

    RegistryStore again;
    const RegImportResult second = again.ImportText(exported);
    Check(second.Ok && second.Warnings.empty());
    Check(again.ExportText() == exported);
    return 0;
}
