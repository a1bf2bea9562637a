#pragma once
// Internal to the handle layer: the handle objects, the table that maps HINTERNET values to them,
// and the process-wide settings.

#include "platform/wininet/wininet.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace corvane::wininet {

enum class HandleKind { Internet, Connection, Request };

class Handle {
public:
    explicit Handle(HandleKind kind) : kind_(kind) {}
    virtual ~Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HandleKind Kind() const { return kind_; }
    HINTERNET Id() const { return id_; }
    DWORD_PTR Context() const { return context_; }
    void SetContext(DWORD_PTR context) { context_ = context; }
    INTERNET_STATUS_CALLBACK Callback() const { return callback_.load(); }
    INTERNET_STATUS_CALLBACK ExchangeCallback(INTERNET_STATUS_CALLBACK callback) {
        return callback_.exchange(callback);
    }

    // Calls the status callback (when there is one and the context is not 0).
    void Notify(DWORD status, void* info = nullptr, DWORD info_length = 0);
    void NotifyText(DWORD status, const std::string& text);

    // Stops whatever runs on the handle; called (from any thread) when it or a parent is closed.
    virtual void Cancel() {}

private:
    friend class HandleTable;
    HandleKind kind_;
    HINTERNET id_ = nullptr;
    DWORD_PTR context_ = 0;
    std::atomic<INTERNET_STATUS_CALLBACK> callback_{nullptr};
    HINTERNET parent_ = nullptr;
};

class InternetHandle : public Handle {
public:
    InternetHandle() : Handle(HandleKind::Internet) {}
    std::string agent;
    DWORD access_type = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxy;
    std::string proxy_bypass;
};

class ConnectionHandle : public Handle {
public:
    ConnectionHandle() : Handle(HandleKind::Connection) {}
    // Copied from the internet handle so that a request never reaches back to its parents.
    std::string agent;
    DWORD access_type = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxy;
    std::string proxy_bypass;
    std::string host;
    INTERNET_PORT port = 0;
    std::string user;
    std::string password;
};

// Live handles by value. Closing removes a handle and every descendant and cancels them.
class HandleTable {
public:
    static HandleTable& Instance();
    HINTERNET Add(const std::shared_ptr<Handle>& handle, HINTERNET parent);
    std::shared_ptr<Handle> Find(HINTERNET id);
    // False when the handle is not (or no longer) in the table.
    bool Close(HINTERNET id);

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<Handle>> handles_;
    std::uintptr_t next_ = 0x1000;
};

// Process-wide settings of the layer.
struct LayerSettings {
    DWORD connect_timeout_ms = 60000;
    DWORD receive_timeout_ms = 60000;
    std::string test_ca_file;
};
LayerSettings CurrentSettings();
bool IsOffline();

// Defined by the request module.
std::shared_ptr<Handle> MakeRequest(const ConnectionHandle& connection, const std::string& verb,
                                    const std::string& object_name, const std::string& version,
                                    const std::string& referrer, const std::string& accept, DWORD flags);
bool AddRequestHeaders(Handle& request, const std::string& headers, DWORD modifiers);
bool SendRequest(Handle& request, const std::string& headers, const void* optional, DWORD optional_length);
bool QueryInfo(Handle& request, DWORD info_level, void* buffer, DWORD* length, DWORD* index);
bool QueryDataAvailable(Handle& request, DWORD* available);
bool ReadBody(Handle& request, void* buffer, DWORD to_read, DWORD* read);
bool SetRequestOption(Handle& request, DWORD option, const void* buffer, DWORD length);

}  // namespace corvane::wininet
