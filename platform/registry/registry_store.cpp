#include "platform/registry/registry_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/registry/reg_file.h"
#include "platform/rtl/atomic_file.h"
#include "platform/rtl/file_lock.h"
#include "platform/rtl/log.h"
#include "platform/rtl/string_list.h"

namespace corvane {

struct RegistryStore::Key {
    std::string Name;
    std::vector<std::unique_ptr<Key>> Children;  // in creation order
    std::vector<RegValue> Values;                // in creation order

    Key* Child(const std::string& name) const {
        for (const auto& child : Children)
            if (SameText(child->Name, name)) return child.get();
        return nullptr;
    }
    std::vector<RegValue>::iterator FindValue(const std::string& name) {
        for (auto it = Values.begin(); it != Values.end(); ++it)
            if (SameText(it->Name, name)) return it;
        return Values.end();
    }
};

namespace {

std::vector<std::string> SplitKey(const std::string& key) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= key.size()) {
        std::size_t slash = key.find('\\', i);
        if (slash == std::string::npos) slash = key.size();
        if (slash > i) parts.push_back(key.substr(i, slash - i));
        i = slash + 1;
    }
    return parts;
}

// A line break in a name would end its line in the file and change what the file says.
bool StorableName(const std::string& name) { return name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

void Serialize(const RegistryStore::Key& key, const std::string& path, bool is_root, std::string& out) {
    // Keys with values are written; so are empty leaves, which only exist as themselves.
    if (!key.Values.empty() || (key.Children.empty() && !is_root)) {
        out += "\r\n";
        out += RegKeyLine(path);
        for (const RegValue& value : key.Values) out += RegValueLines(value);
    }
    for (const auto& child : key.Children)
        Serialize(*child, path.empty() ? child->Name : path + "\\" + child->Name, false, out);
}

}  // namespace

RegistryStore::RegistryStore() : root_(std::make_unique<Key>()) {}

RegistryStore::RegistryStore(std::string path) : path_(std::move(path)), root_(std::make_unique<Key>()) { Load(); }

RegistryStore::~RegistryStore() = default;

void RegistryStore::Load() {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return;  // a first run: nothing stored yet
    std::string bytes, error;
    if (!ReadWholeFile(path_, bytes, &error)) {
        refuse_save_ = true;
        Fail(error + "; registry changes will not be saved");
        return;
    }
    RegParseResult parsed = ParseRegText(bytes);
    if (!parsed.Ok) {
        // Keep the damaged file for the user to look at; never write over it.
        std::string aside = path_ + ".bad";
        for (int n = 1; ::access(aside.c_str(), F_OK) == 0; ++n) aside = path_ + ".bad." + std::to_string(n);
        if (::rename(path_.c_str(), aside.c_str()) != 0) {
            refuse_save_ = true;
            Fail("registry file \"" + path_ + "\" cannot be read (" + parsed.Error + ") nor moved aside: " +
                 std::strerror(errno) + "; registry changes will not be saved");
            return;
        }
        LogWarning("registry file \"" + path_ + "\" cannot be read (" + parsed.Error + "); kept as \"" + aside +
                   "\", starting with defaults");
        return;
    }
    ApplyLocked(parsed.Ops);  // no other thread can see the store yet
    if (parsed.Warnings.empty()) return;
    // A damaged line (a hand edit) costs only itself; the next write drops it, so the file as it was
    // is kept aside first.
    std::string aside = path_ + ".bad";
    for (int n = 1; ::access(aside.c_str(), F_OK) == 0; ++n) aside = path_ + ".bad." + std::to_string(n);
    std::string copy_error;
    if (!WriteFileAtomic(aside, bytes, 0600, &copy_error)) {
        refuse_save_ = true;
        Fail("registry file \"" + path_ + "\" has unreadable lines and cannot be kept aside (" + copy_error +
             "); registry changes will not be saved");
        return;
    }
    LogWarning("registry file \"" + path_ + "\": " + parsed.Warnings.front() + " (" +
               std::to_string(parsed.Warnings.size()) + " unreadable lines skipped; the file is kept as \"" + aside +
               "\")");
}

void RegistryStore::ApplyLocked(const std::vector<RegFileOp>& ops) {
    for (const RegFileOp& op : ops) {
        switch (op.What) {
            case RegFileOp::Kind::CreateKey:
                FindOrCreate(op.Key);
                break;
            case RegFileOp::Kind::DeleteKey:
                RemoveKey(op.Key);
                break;
            case RegFileOp::Kind::SetValue:
                PutValue(*FindOrCreate(op.Key), op.Value);
                break;
            case RegFileOp::Kind::DeleteValue: {
                Key* node = Find(op.Key);
                if (node == nullptr) break;
                auto it = node->FindValue(op.Value.Name);
                if (it != node->Values.end()) node->Values.erase(it);
                break;
            }
        }
    }
}

RegistryStore::Key* RegistryStore::Find(const std::string& key) const {
    Key* node = root_.get();
    for (const std::string& part : SplitKey(key)) {
        node = node->Child(part);
        if (node == nullptr) return nullptr;
    }
    return node;
}

RegistryStore::Key* RegistryStore::FindOrCreate(const std::string& key) {
    Key* node = root_.get();
    for (const std::string& part : SplitKey(key)) {
        Key* child = node->Child(part);
        if (child == nullptr) {
            node->Children.push_back(std::make_unique<Key>());
            child = node->Children.back().get();
            child->Name = part;
        }
        node = child;
    }
    return node;
}

bool RegistryStore::KeyExists(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return Find(key) != nullptr;
}

bool RegistryStore::SubKeyNames(const std::string& key, std::vector<std::string>& names) const {
    std::lock_guard lock(mutex_);
    const Key* node = Find(key);
    if (node == nullptr) return false;
    names.clear();
    for (const auto& child : node->Children) names.push_back(child->Name);
    return true;
}

bool RegistryStore::Values(const std::string& key, std::vector<RegValue>& values) const {
    std::lock_guard lock(mutex_);
    const Key* node = Find(key);
    if (node == nullptr) return false;
    values = node->Values;
    return true;
}

std::optional<RegValue> RegistryStore::GetValue(const std::string& key, const std::string& name) const {
    std::lock_guard lock(mutex_);
    Key* node = Find(key);
    if (node == nullptr) return std::nullopt;
    auto it = node->FindValue(name);
    if (it == node->Values.end()) return std::nullopt;
    return *it;
}

bool RegistryStore::CreateKey(const std::string& key) {
    {
        std::lock_guard lock(mutex_);
        if (Find(key) != nullptr) return true;
        for (const std::string& part : SplitKey(key))
            if (!StorableName(part)) return false;
        FindOrCreate(key);
        ++generation_;
        Record({RegFileOp::Kind::CreateKey, key, {}});
    }
    return Changed();
}

bool RegistryStore::RemoveKey(const std::string& key) {
    const std::vector<std::string> parts = SplitKey(key);
    if (parts.empty()) return false;  // the root itself stays
    Key* parent = root_.get();
    for (std::size_t i = 0; i + 1 < parts.size() && parent != nullptr; ++i) parent = parent->Child(parts[i]);
    if (parent == nullptr) return false;
    auto& kids = parent->Children;
    for (auto it = kids.begin(); it != kids.end(); ++it) {
        if (SameText((*it)->Name, parts.back())) {
            kids.erase(it);
            return true;
        }
    }
    return false;
}

void RegistryStore::PutValue(Key& node, const RegValue& value) {
    auto it = node.FindValue(value.Name);
    if (it == node.Values.end()) {
        node.Values.push_back(value);
    } else {
        // A rewrite keeps the spelling first written and the place in the order.
        it->Type = value.Type;
        it->Data = value.Data;
    }
}

bool RegistryStore::DeleteKey(const std::string& key) {
    {
        std::lock_guard lock(mutex_);
        if (!RemoveKey(key)) return false;
        ++generation_;
        Record({RegFileOp::Kind::DeleteKey, key, {}});
    }
    return Changed();
}

bool RegistryStore::SetValue(const std::string& key, const RegValue& value) {
    {
        std::lock_guard lock(mutex_);
        if (!StorableName(value.Name)) return false;
        for (const std::string& part : SplitKey(key))
            if (!StorableName(part)) return false;
        PutValue(*FindOrCreate(key), value);
        ++generation_;
        Record({RegFileOp::Kind::SetValue, key, value});
    }
    return Changed();
}

bool RegistryStore::DeleteValue(const std::string& key, const std::string& name) {
    {
        std::lock_guard lock(mutex_);
        Key* node = Find(key);
        if (node == nullptr) return false;
        auto it = node->FindValue(name);
        if (it == node->Values.end()) return false;
        node->Values.erase(it);
        ++generation_;
        Record({RegFileOp::Kind::DeleteValue, key, RegValue::String(name, "")});
    }
    return Changed();
}

RegImportResult RegistryStore::ImportFile(const std::string& reg_path) {
    std::string bytes, error;
    if (!ReadWholeFile(reg_path, bytes, &error)) {
        RegImportResult result;
        result.Error = error;
        LogWarning("registry import: " + error);
        return result;
    }
    RegImportResult result = ImportText(bytes);
    if (!result.Ok) LogWarning("registry import of \"" + reg_path + "\": " + result.Error);
    return result;
}

RegImportResult RegistryStore::ImportText(const std::string& text) {
    RegImportResult result;
    RegParseResult parsed = ParseRegText(text);
    result.Warnings = parsed.Warnings;
    for (const std::string& warning : parsed.Warnings) LogWarning("registry import: " + warning);
    if (!parsed.Ok) {
        result.Error = parsed.Error;
        return result;
    }
    {
        std::lock_guard lock(mutex_);
        ApplyLocked(parsed.Ops);
        ++generation_;
        for (const RegFileOp& op : parsed.Ops) Record(op);
    }
    result.Ok = true;
    if (!Changed()) result.Error = LastError();
    return result;
}

std::string RegistryStore::ExportText() const {
    std::lock_guard lock(mutex_);
    return ExportLocked();
}

std::string RegistryStore::ExportLocked() const {
    std::string out = std::string(kRegEdit4Header) + "\r\n";
    Serialize(*root_, "", true, out);
    return out;
}

bool RegistryStore::Changed() {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        if (holds_ > 0) return true;
        generation = generation_;
    }
    return Persist(generation);
}

RegistryStore::Hold::Hold(RegistryStore& store) : store_(&store) {
    std::lock_guard lock(store_->mutex_);
    ++store_->holds_;
}

RegistryStore::Hold::~Hold() { Commit(); }

bool RegistryStore::Hold::Commit() {
    if (store_ == nullptr) return true;
    RegistryStore* store = store_;
    store_ = nullptr;
    {
        std::lock_guard lock(store->mutex_);
        if (--store->holds_ > 0) return true;
    }
    return store->Flush();
}

bool RegistryStore::Flush() {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        generation = generation_;
    }
    return Persist(generation);
}

std::string RegistryStore::LastError() const {
    std::lock_guard lock(mutex_);
    return last_error_;
}

void RegistryStore::Fail(const std::string& message) {
    {
        std::lock_guard lock(mutex_);
        last_error_ = message;
    }
    LogWarning(message);
}

bool RegistryStore::Persist(std::uint64_t generation) {
    if (path_.empty()) return true;
    std::lock_guard save(save_mutex_);
    if (saved_generation_ >= generation) return true;  // a later write already carried this change
    if (refuse_save_) {
        Fail("registry file \"" + path_ + "\" was not loaded; not overwriting it");
        return false;
    }
    const std::size_t slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::error_code ignored;
        std::filesystem::create_directories(path_.substr(0, slash), ignored);
    }
    // Another process sharing the file may have written it since this one read it: its changes
    // are read back under the lock and this store's unsaved changes applied over them.
    TFileLock file_lock;
    const std::string lock_path = slash == std::string::npos
                                      ? "." + path_ + ".lock"
                                      : path_.substr(0, slash + 1) + "." + path_.substr(slash + 1) + ".lock";
    const bool locked = file_lock.Lock(lock_path, true);
    std::optional<RegParseResult> on_disk;
    if (locked) {
        std::string bytes;
        if (ReadWholeFile(path_, bytes, nullptr)) {
            RegParseResult parsed = ParseRegText(bytes);
            if (parsed.Ok && parsed.Warnings.empty()) on_disk = std::move(parsed);
        }
    }
    std::uint64_t current = 0;
    std::string text;
    {
        std::lock_guard lock(mutex_);
        current = generation_;
        if (on_disk) {
            root_ = std::make_unique<Key>();
            ApplyLocked(on_disk->Ops);
            for (const auto& change : unsaved_) ApplyLocked({change.second});
        }
        text = ExportLocked();
    }
    std::string error;
    if (!WriteFileAtomic(path_, text, 0600, &error)) {
        Fail("registry not saved: " + error);
        return false;
    }
    saved_generation_ = current;
    std::lock_guard lock(mutex_);
    std::erase_if(unsaved_, [current](const auto& entry) { return entry.first <= current; });
    return true;
}

void RegistryStore::Record(const RegFileOp& op) {
    if (!path_.empty()) unsaved_.emplace_back(generation_, op);
}

}  // namespace corvane
