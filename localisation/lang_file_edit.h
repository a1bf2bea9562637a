#pragma once
// The writable language file: the editing calls and Save, the exact counterpart of TKLangFile's reader.

#include "localisation/lang_file.h"

namespace corvane {

class TkLangFileEdit : public TKLangFile {
public:
    // Reads the file when it exists; a missing file starts empty and is created only by Save.
    explicit TkLangFileEdit(const std::string& fileName) : TKLangFile(fileName) {}

    // Writes the whole file (version "3.00") through a temporary file renamed over the old one.
    virtual void Save();
    // The file image Save writes.
    std::string SaveToBytes();

    // Fills the locale block from the current display settings.
    void CaptureLocale();
    std::uint16_t LastId() const { return Strings.empty() ? 0 : Strings.back().Id; }
    // The highest Id below the numbered messages that issues add from kFirstAddedMessageId on:
    // captured form strings are numbered after it, so they never run into those blocks.
    static constexpr std::uint16_t kFirstAddedMessageId = 5000;
    std::uint16_t LastFormId() const;
    int AddFont(const std::string& name, std::uint16_t size, std::uint8_t style);
    // Before the first entry whose Id is not lower, or appended; no test for an Id already present.
    int InsertStr(std::uint16_t id, const std::string& text, std::uint16_t fontIndex);
    void AddProp(std::uint16_t id, const std::string& section, const std::string& path, const std::string& text,
                 std::uint16_t fontIndex);
    void SetStr(std::uint16_t id, const std::string& text, std::uint16_t fontIndex);
    void DeleteProp(const std::string& section, const std::string& path);
};

}  // namespace corvane
