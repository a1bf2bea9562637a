#pragma once
// The current user's registry hive: keys and typed values kept in memory and written through to one
// file in REGEDIT4 syntax. Key and value names compare without regard to case (ASCII) and keep the
// spelling first written; subkeys and values enumerate in the order they were created.
//
// Several processes may share the file: each write takes a lock beside it (".<file name>.lock"),
// reads the file again and puts this store's unsaved changes over what it holds, so that no process
// drops another's changes.
//
// Thread-safe: one mutex guards the tree and is held only for the moment a read copies its answer
// or a change is made. Writing the file happens outside that lock (a second mutex only orders the
// file writes), so a slow disk never stalls the readers. (A reader-writer lock was tried: a thread
// that reads without pause, as the parse thread does, kept writers waiting for many seconds.)

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/reg_file.h"
#include "platform/registry/reg_value.h"

namespace corvane {


struct RegImportResult {
    bool Ok = false;                    // false: nothing was imported (unreadable, not a .reg file)
    std::string Error;
    std::vector<std::string> Warnings;  // skipped lines and keys
};

class RegistryStore {
public:
    // A store kept only in memory.
    RegistryStore();
    // The store kept in the file at path, loaded when the file exists. A file that is not a registry
    // file at all is renamed aside (".bad" appended) and the store starts empty; from a file with some
    // unreadable lines the rest is loaded and a copy of the file is kept aside. A file that exists but
    // cannot be read is left alone and the store refuses to overwrite it.
    explicit RegistryStore(std::string path);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const std::string& FilePath() const { return path_; }

    // Keys are paths below HKEY_CURRENT_USER, components separated by "\" ("\Software\Brellium"
    // and "Software\Brellium" are the same key; "" or "\" is the root).
    bool KeyExists(const std::string& key) const;
    // Listing a missing key returns false and leaves the output alone.
    bool SubKeyNames(const std::string& key, std::vector<std::string>& names) const;
    bool Values(const std::string& key, std::vector<RegValue>& values) const;
    std::optional<RegValue> GetValue(const std::string& key, const std::string& name) const;

    // Changes are written to the file at once. Each returns true when the change was made and
    // written. False means nothing to change (missing key or value, a name that cannot be stored),
    // or that the file could not be written: then the change stays in memory, goes out with the next
    // successful write, and LastError() says why.
    bool CreateKey(const std::string& key);
    bool DeleteKey(const std::string& key);  // with all its subkeys and values
    bool SetValue(const std::string& key, const RegValue& value);  // creates the key when missing
    bool DeleteValue(const std::string& key, const std::string& name);
    bool SetString(const std::string& key, const std::string& name, const std::string& text) {
        return SetValue(key, RegValue::String(name, text));
    }
    bool SetDWord(const std::string& key, const std::string& name, std::uint32_t number) {
        return SetValue(key, RegValue::DWord(name, number));
    }

    // Applies a .reg file (REGEDIT4 or version 5): keys and values are created or replaced, "[-key]"
    // deletes a key, "name"=- deletes a value; keys outside HKEY_CURRENT_USER are skipped with a
    // warning. Everything is applied at once and written in one go.
    RegImportResult ImportFile(const std::string& reg_path);
    RegImportResult ImportText(const std::string& text);

    // Holds back file writes while it lives, so that many changes (a recent-entry list rewritten
    // value by value) cost one write. Changes made meanwhile, by any thread, return true; Commit (or
    // the destructor) ends the hold and the outermost one writes the file and reports the result.
    class Hold {
    public:
        explicit Hold(RegistryStore& store);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        bool Commit();

    private:
        RegistryStore* store_;
    };

    // Writes any change a failed write left behind. True when the file is up to date.
    bool Flush();
    std::string LastError() const;

    // The whole store in REGEDIT4 syntax, as it is written to the file.
    std::string ExportText() const;

    struct Key;

private:
    Key* Find(const std::string& key) const;
    Key* FindOrCreate(const std::string& key);
    bool RemoveKey(const std::string& key);
    static void PutValue(Key& node, const RegValue& value);
    void ApplyLocked(const std::vector<RegFileOp>& ops);
    std::string ExportLocked() const;
    bool Persist(std::uint64_t generation);
    bool Changed();  // after a change, with mutex_ not held: writes unless a Hold defers it
    void Fail(const std::string& message);
    void Load();
    void Record(const RegFileOp& op);  // with mutex_ held

    std::string path_;
    mutable std::mutex mutex_;         // guards root_, generation_, last_error_, holds_
    std::unique_ptr<Key> root_;
    std::uint64_t generation_ = 0;     // bumped by every change
    std::string last_error_;
    int holds_ = 0;                    // live Hold objects

    std::mutex save_mutex_;            // orders file writes; never taken while mutex_ is held
    std::uint64_t saved_generation_ = 0;
    bool refuse_save_ = false;         // the file exists but could not be read
    std::vector<std::pair<std::uint64_t, RegFileOp>> unsaved_;  // under mutex_: changes not yet written, by generation
};

}  // namespace corvane
