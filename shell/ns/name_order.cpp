#include "shell/ns/name_order.h"

#include <cstring>

namespace corvane::shell {

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

int CompareNames(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (IsDigit(ca) && IsDigit(cb)) {
            // Compare the runs by value: skip leading zeros, then the longer run is larger, then digit
            // by digit.
            std::size_t ea = i;
            std::size_t eb = j;
            while (ea < a.size() && IsDigit(static_cast<unsigned char>(a[ea]))) ++ea;
            while (eb < b.size() && IsDigit(static_cast<unsigned char>(b[eb]))) ++eb;
            std::size_t sa = i;
            std::size_t sb = j;
            while (sa + 1 < ea && a[sa] == '0') ++sa;
            while (sb + 1 < eb && b[sb] == '0') ++sb;
            if (ea - sa != eb - sb) return ea - sa < eb - sb ? -1 : 1;
            for (; sa < ea; ++sa, ++sb)
                if (a[sa] != b[sb]) return a[sa] < b[sb] ? -1 : 1;
            i = ea;
            j = eb;
            continue;
        }
        const unsigned char fa = Fold(ca);
        const unsigned char fb = Fold(cb);
        if (fa != fb) return fa < fb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    // Equal under folding and digit values ("a"/"A", "01"/"1"): the bytes decide.
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    const int bytes = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
    if (bytes != 0) return bytes < 0 ? -1 : 1;
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return 0;
}

}  // namespace corvane::shell
