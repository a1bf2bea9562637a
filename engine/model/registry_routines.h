#pragma once
// Typed values in the current user's registry hive. The type of the value passed (or of the default,
// for a read) decides the registry type: Boolean and integers as DWORD, strings as REG_SZ, floats and
// date-times as an 8-byte little-endian double in REG_BINARY, currency as an 8-byte little-endian
// integer scaled by 10000 in REG_BINARY. Keys are paths from HKEY_CURRENT_USER ("\Software\...").

#include <cstdint>
#include <string>
#include <variant>

#include "platform/rtl/date_time.h"
#include "platform/rtl/string_list.h"

namespace corvane {

// Currency: a fixed-point amount, the value times 10000.
struct RegCurrency {
    std::int64_t Scaled = 0;
    bool operator==(const RegCurrency&) const = default;
};

// A date-time, told apart from a plain double.
struct RegDateTime {
    TDateTime Value = 0;
    bool operator==(const RegDateTime&) const = default;
};

// std::monostate is the empty variant: it writes nothing and reads back as itself.
using RegVariant = std::variant<std::monostate, bool, std::int32_t, std::uint8_t, RegCurrency, double, RegDateTime,
                                std::string>;

// Deletes a value of an existing key. True when the value was there and is gone.
bool RegDeleteValue(const std::string& key, const std::string& name);

// Writes the value, creating the key when missing. False when the variant is empty, or the store
// could not be written (the store logs why).
bool RegWriteValue(const std::string& key, const std::string& name, const RegVariant& value);

// The value read with the type of the default. The default comes back when the key or the value is
// missing, or when the stored value has another registry type (that is logged once per value: a
// hand-edited or stale value must not stop the program).
RegVariant RegReadValue(const std::string& key, const std::string& name, const RegVariant& def);

// Typed read: RegRead(key, name, 5) gives an int32, RegRead(key, name, std::string("x")) a string.
template <class T>
T RegRead(const std::string& key, const std::string& name, const T& def) {
    return std::get<T>(RegReadValue(key, name, RegVariant(def)));
}

// The value names of the key in creation order; the list is left alone (and false returned) when the
// key does not exist.
bool RegValueNames(const std::string& key, TStringList& names);

// Appends the string data of every value of the key, in the order of RegValueNames; a value that is
// not a string adds an empty entry so the two lists stay parallel.
void RegValueList(const std::string& key, TStringList& values);

}  // namespace corvane
