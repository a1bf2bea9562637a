#include "shell/ns/shell_utils.h"

#include "shell/ns/desktop_folder.h"
#include "shell/ns/folder_base.h"

namespace corvane::shell {

int ComparePidls(PCItemIDList a, PCItemIDList b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : -1;
    const bool emptyA = IsEmptyPidl(a);
    const bool emptyB = IsEmptyPidl(b);
    if (emptyA || emptyB) return emptyA == emptyB ? 0 : -1;
    ComPtr<IShellFolder> desktop;
    if (Failed(SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf()))) return kCannotCompare;
    const HRESULT hr = desktop->CompareIDs(0, a, b);
    return Failed(hr) ? kCannotCompare : CompareOrder(hr);
}

HRESULT GetShellFolder(PCItemIDList list, IShellFolder** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    ComPtr<IShellFolder> desktop;
    const HRESULT hr = SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf());
    if (Failed(hr)) return hr;
    if (IsEmptyPidl(list)) {
        *out = desktop.Detach();
        return S_OK;
    }
    return desktop->BindToObject(list, nullptr, Iid::ShellFolder, reinterpret_cast<void**>(out));
}

HRESULT PathToPidl(const std::string& path, PItemIDList* out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    ComPtr<IShellFolder> desktop;
    const HRESULT hr = SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf());
    if (Failed(hr)) return hr;
    return desktop->ParseDisplayName(nullptr, nullptr, path, nullptr, out, nullptr);
}

std::string PidlToPath(PCItemIDList list) { return PathFromIdList(list); }

std::string GetDisplayName(IShellFolder* folder, PCItemIDList list, NameKind kind) {
    if (folder == nullptr) {
        ComPtr<IShellFolder> desktop;
        if (Failed(SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf()))) return {};
        return GetDisplayName(desktop.Get(), list, kind);
    }
    static constexpr std::uint32_t kFlags[] = {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING};
    STRRET value;
    if (Failed(folder->GetDisplayNameOf(list, kFlags[static_cast<int>(kind)], &value))) return {};
    std::string text = StrRetToString(list, value);
    FreeStrRet(value);
    return text;
}

std::string StrRetToString(PCItemIDList list, const STRRET& value) { return StrRetText(list, value); }

void FreeStrRet(STRRET& value) {
    if (value.uType == STRRET_WSTR && value.pOleStr != nullptr) {
        CoTaskMemFree(value.pOleStr);
        value.pOleStr = nullptr;
    }
}

std::string AppendDelimiter(const std::string& text, char delimiter) {
    if (text.empty() || text.back() == delimiter) return text;
    return text + delimiter;
}

bool GetFileVersion(const std::string&, std::uint32_t& mostSignificant, std::uint32_t& leastSignificant) {
    mostSignificant = 0;
    leastSignificant = 0;
    return false;
}

bool IsPlatformNT() { return true; }

std::string FormatStrPos(const std::string& format, const std::vector<std::string>& strings) {
    if (strings.size() > 49) throw EShellError("FormatStrPos: Too many substitution strings");
    std::string out;
    out.reserve(format.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        const char c = format[i + 1];
        if (c >= '1' && c <= '9') {
            std::size_t j = i + 1;
            std::size_t number = 0;
            while (j < format.size() && j < i + 3 && format[j] >= '0' && format[j] <= '9')
                number = number * 10 + static_cast<std::size_t>(format[j++] - '0');
            // An optional printf-style "!fmt!" after the number: strings only here.
            std::size_t end = j;
            if (end < format.size() && format[end] == '!') {
                const std::size_t close = format.find('!', end + 1);
                if (close != std::string::npos) end = close + 1;
            }
            if (number <= strings.size()) {
                out += strings[number - 1];
            } else {
                out.append(format, i, end - i);
            }
            i = end - 1;
            continue;
        }
        switch (c) {
            case '0': return out;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += ' '; break;
            default: out += c; break;  // "%%", "%.", "%!" and the like give the character
        }
        ++i;
    }
    return out;
}

}  // namespace corvane::shell
