#include "localisation/lang_file_edit.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "localisation/code_page.h"
#include "localisation/lang_bytes.h"
#include "platform/rtl/atomic_file.h"

namespace corvane {

namespace {

void WriteFileAtomically(const std::string& path, const std::string& data) {
    std::string error;
    if (!WriteFileAtomic(path, data, AtomicWriteOptions{0644, false, true}, &error))
        throw ELangFileError("Cannot write language file: " + error);
}

std::uint16_t Count16(std::size_t n, const char* what) {
    if (n > 0xFFFF) throw ELangFileError(std::string("Too many ") + what + " for a language file");
    return static_cast<std::uint16_t>(n);
}

}  // namespace

std::string TkLangFileEdit::SaveToBytes() {
    LangByteWriter w;
    auto text = [this, &w](const std::string& s) { w.ShortText(EncodeCodePage(s, Charset)); };

    w.Bytes("LF");
    w.Bytes("3.00");
    w.U8(HasLocale ? 1 : 0);
    if (HasLocale) WriteLocaleBlock(w, Locale, Charset);
    w.U8(BiDiMode);

    w.Zeros(10);
    w.U8(Charset);
    if (Fonts.size() > 0x7FFFFFFF) throw ELangFileError("Too many fonts for a language file");
    w.I32(static_cast<std::int32_t>(Fonts.size()));
    for (const auto& font : Fonts) {
        text(font.Name);
        w.U16(font.Size);
        w.U8(font.Style);
    }
    w.Zeros(20);

    w.U16(Count16(static_cast<std::size_t>(Names.Count()), "names"));
    for (int i = 0; i < Names.Count(); ++i) text(Names[i]);

    const auto& sections = Props.Sections();
    w.U16(Count16(sections.size(), "sections"));
    for (const auto& section : sections) {
        text(section.Name);
        w.U16(Count16(section.Paths.size(), "paths in one section"));
        for (const auto& entry : section.Paths) {
            text(entry.Path);
            w.U16(entry.Id);
        }
    }

    w.U16(Count16(Strings.size(), "strings"));
    std::string blob;
    for (auto& rec : Strings) {
        const std::string bytes = EncodeCodePage(rec.Text, Charset);
        if (bytes.find('\0') != std::string::npos)
            throw ELangFileError("String " + std::to_string(rec.Id) + " holds a zero byte and cannot be written");
        if (blob.size() > 0xFFFFFFFFu - bytes.size() - 1) throw ELangFileError("Language file texts are too large");
        rec.Offset = static_cast<std::uint32_t>(blob.size());
        blob += bytes;
        blob.push_back('\0');
        w.U16(rec.Id);
        w.U32(rec.Offset);
        w.U16(rec.FontIndex);
    }
    w.Bytes(blob);
    return w.Data();
}

void TkLangFileEdit::Save() {
    const std::string data = SaveToBytes();
    WriteFileAtomically(FileName, data);
    Magic = "LF";
    VersionText = "3.00";
    Version = 3.0;
    OffsetWidth = 4;
    Empty = false;
}

void TkLangFileEdit::CaptureLocale() {
    Locale = CaptureCurrentLocale();
    HasLocale = true;
}

int TkLangFileEdit::AddFont(const std::string& name, std::uint16_t size, std::uint8_t style) {
    const int found = FindFont(name, size, style);
    if (found >= 0) return found;
    Fonts.push_back(TkFontItem{name, size, style});
    return static_cast<int>(Fonts.size()) - 1;
}

int TkLangFileEdit::InsertStr(std::uint16_t id, const std::string& text, std::uint16_t fontIndex) {
    const auto at = std::find_if(Strings.begin(), Strings.end(), [id](const TkIdentRec& r) { return r.Id >= id; });
    const auto pos = Strings.insert(at, TkIdentRec{id, 0, text, fontIndex});
    return static_cast<int>(pos - Strings.begin());
}

std::uint16_t TkLangFileEdit::LastFormId() const {
    std::uint16_t last = 0;
    for (const auto& entry : Strings)
        if (entry.Id < kFirstAddedMessageId) last = entry.Id;
    return last;
}

void TkLangFileEdit::AddProp(std::uint16_t id, const std::string& section, const std::string& path,
                             const std::string& text, std::uint16_t fontIndex) {
    InsertStr(id, text, fontIndex);
    Props.Add(section, path, id);
}

void TkLangFileEdit::SetStr(std::uint16_t id, const std::string& text, std::uint16_t fontIndex) {
    const auto found = FindStr(id);
    if (!found) throw ELangStrNotFound("No such Ident number (" + std::to_string(id) + ")");
    auto& rec = Strings[static_cast<std::size_t>(found->Index())];
    rec.Text = text;
    rec.FontIndex = fontIndex;
}

void TkLangFileEdit::DeleteProp(const std::string& section, const std::string& path) {
    if (!Props.FindByName(section, path)) return;
    const auto found = FindStr(Props.CurrentId());
    if (!found) throw ELangStrNotFound("Can't find language string. [" + section + "." + path + "]");
    Strings.erase(Strings.begin() + found->Index());
    Props.DeleteCurrent();
}

}  // namespace corvane
