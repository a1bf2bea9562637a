#include "engine/model/registry_routines.h"

#include <cstring>
#include <mutex>
#include <optional>
#include <set>

#include "platform/registry/current_user.h"
#include "platform/rtl/log.h"

namespace corvane {

namespace {

std::string LittleEndian8(std::uint64_t bits) {
    std::string data(8, '\0');
    for (std::size_t i = 0; i < 8; ++i) data[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return data;
}

std::uint64_t FromLittleEndian8(const std::string& data) {
    std::uint64_t bits = 0;
    for (std::size_t i = 8; i-- > 0;) bits = (bits << 8) | static_cast<unsigned char>(data[i]);
    return bits;
}

std::string DoubleBytes(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return LittleEndian8(bits);
}

double BytesDouble(const std::string& data) {
    const std::uint64_t bits = FromLittleEndian8(data);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

const char* TypeName(std::uint32_t type) {
    switch (type) {
        case kRegSz: return "string";
        case kRegExpandSz: return "expandable string";
        case kRegBinary: return "binary";
        case kRegDWord: return "dword";
        default: return "other";
    }
}

// Each mismatching value is reported once per run, not on every read.
void LogMismatch(const std::string& key, const std::string& name, const RegValue& stored, const char* wanted) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    {
        std::lock_guard lock(mutex);
        if (!reported.insert(UpperCase(key + "\\" + name)).second) return;
    }
    LogWarning("registry value \"" + name + "\" of \"" + key + "\" is stored as " + TypeName(stored.Type) +
               " (" + std::to_string(stored.Data.size()) + " bytes), expected " + wanted + "; using the default");
}

struct Reader {
    const std::string& key;
    const std::string& name;
    const RegValue& stored;

    RegVariant Mismatch(const RegVariant& def, const char* wanted) const {
        LogMismatch(key, name, stored, wanted);
        return def;
    }
    bool Binary8() const { return stored.Type == kRegBinary && stored.Data.size() == 8; }

    RegVariant operator()(std::monostate) const { return std::monostate{}; }
    RegVariant operator()(bool def) const {
        return stored.IsDWord() ? RegVariant(stored.AsDWord() != 0) : Mismatch(def, "dword");
    }
    RegVariant operator()(std::int32_t def) const {
        return stored.IsDWord() ? RegVariant(static_cast<std::int32_t>(stored.AsDWord())) : Mismatch(def, "dword");
    }
    RegVariant operator()(std::uint8_t def) const {
        return stored.IsDWord() ? RegVariant(static_cast<std::uint8_t>(stored.AsDWord() & 0xFF)) : Mismatch(def, "dword");
    }
    RegVariant operator()(RegCurrency def) const {
        if (!Binary8()) return Mismatch(def, "8 binary bytes");
        return RegCurrency{static_cast<std::int64_t>(FromLittleEndian8(stored.Data))};
    }
    RegVariant operator()(double def) const {
        return Binary8() ? RegVariant(BytesDouble(stored.Data)) : Mismatch(def, "8 binary bytes");
    }
    RegVariant operator()(RegDateTime def) const {
        return Binary8() ? RegVariant(RegDateTime{BytesDouble(stored.Data)}) : Mismatch(def, "8 binary bytes");
    }
    RegVariant operator()(const std::string& def) const {
        return stored.IsString() ? RegVariant(stored.Data) : Mismatch(def, "string");
    }
};

struct Encoder {
    const std::string& name;
    std::optional<RegValue> operator()(std::monostate) const { return std::nullopt; }
    std::optional<RegValue> operator()(bool v) const { return RegValue::DWord(name, v ? 1 : 0); }
    std::optional<RegValue> operator()(std::int32_t v) const {
        return RegValue::DWord(name, static_cast<std::uint32_t>(v));
    }
    std::optional<RegValue> operator()(std::uint8_t v) const { return RegValue::DWord(name, v); }
    std::optional<RegValue> operator()(RegCurrency v) const {
        return RegValue::Binary(name, LittleEndian8(static_cast<std::uint64_t>(v.Scaled)));
    }
    std::optional<RegValue> operator()(double v) const { return RegValue::Binary(name, DoubleBytes(v)); }
    std::optional<RegValue> operator()(RegDateTime v) const { return RegValue::Binary(name, DoubleBytes(v.Value)); }
    std::optional<RegValue> operator()(const std::string& v) const { return RegValue::String(name, v); }
};

}  // namespace

bool RegDeleteValue(const std::string& key, const std::string& name) {
    return CurrentUserRegistry()->DeleteValue(key, name);
}

bool RegWriteValue(const std::string& key, const std::string& name, const RegVariant& value) {
    const std::optional<RegValue> encoded = std::visit(Encoder{name}, value);
    if (!encoded) return false;
    return CurrentUserRegistry()->SetValue(key, *encoded);
}

RegVariant RegReadValue(const std::string& key, const std::string& name, const RegVariant& def) {
    const std::optional<RegValue> stored = CurrentUserRegistry()->GetValue(key, name);
    if (!stored) return def;
    return std::visit(Reader{key, name, *stored}, def);
}

bool RegValueNames(const std::string& key, TStringList& names) {
    std::vector<RegValue> values;
    if (!CurrentUserRegistry()->Values(key, values)) return false;
    names.Clear();
    for (const RegValue& value : values) names.Add(value.Name);
    return true;
}

void RegValueList(const std::string& key, TStringList& list) {
    std::vector<RegValue> values;
    if (!CurrentUserRegistry()->Values(key, values)) return;
    for (const RegValue& value : values) {
        if (value.IsString()) {
            list.Add(value.Data);
        } else {
            LogMismatch(key, value.Name, value, "string");
            list.Add(std::string());
        }
    }
}

}  // namespace corvane
