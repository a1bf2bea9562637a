// The handle table, opening and closing handles, status callbacks, options and the offline flag.

#include "platform/wininet/handle_table.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

thread_local DWORD t_last_error = ERROR_SUCCESS;

std::mutex g_settings_mutex;
wininet::LayerSettings g_settings;
std::atomic<bool> g_offline{false};

std::string Text(const char* text) { return text ? std::string(text) : std::string(); }

bool Fail(DWORD error) {
    t_last_error = error;
    return false;
}

HINTERNET FailHandle(DWORD error) {
    t_last_error = error;
    return nullptr;
}

}  // namespace

namespace wininet {

void Handle::Notify(DWORD status, void* info, DWORD info_length) {
    const INTERNET_STATUS_CALLBACK callback = callback_.load();
    if (callback && context_ != 0) callback(id_, context_, status, info, info_length);
}

void Handle::NotifyText(DWORD status, const std::string& text) {
    std::string copy = text;
    Notify(status, copy.data(), static_cast<DWORD>(copy.size() + 1));
}

HandleTable& HandleTable::Instance() {
    static HandleTable table;
    return table;
}

HINTERNET HandleTable::Add(const std::shared_ptr<Handle>& handle, HINTERNET parent) {
    std::lock_guard lock(mutex_);
    next_ += 4;
    handle->id_ = reinterpret_cast<HINTERNET>(next_);
    handle->parent_ = parent;
    handles_.push_back(handle);
    return handle->id_;
}

std::shared_ptr<Handle> HandleTable::Find(HINTERNET id) {
    if (!id) return nullptr;
    std::lock_guard lock(mutex_);
    for (const auto& h : handles_)
        if (h->id_ == id) return h;
    return nullptr;
}

bool HandleTable::Close(HINTERNET id) {
    std::vector<std::shared_ptr<Handle>> closed;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(handles_.begin(), handles_.end(), [&](const auto& h) { return h->id_ == id; });
        if (it == handles_.end()) return false;
        closed.push_back(*it);
        handles_.erase(it);
        // Descendants: repeat until no handle has a closed parent.
        for (std::size_t i = 0; i < closed.size(); ++i) {
            const HINTERNET parent = closed[i]->id_;
            for (auto c = handles_.begin(); c != handles_.end();) {
                if ((*c)->parent_ == parent) {
                    closed.push_back(*c);
                    c = handles_.erase(c);
                } else {
                    ++c;
                }
            }
        }
    }
    // Outside the lock: cancelling may wake another thread, and the callback may call back into us.
    for (const auto& h : closed) h->Cancel();
    HINTERNET value = id;
    closed.front()->Notify(INTERNET_STATUS_HANDLE_CLOSING, &value, sizeof value);
    return true;
}

LayerSettings CurrentSettings() {
    std::lock_guard lock(g_settings_mutex);
    return g_settings;
}

bool IsOffline() { return g_offline.load(); }

}  // namespace wininet

using wininet::ConnectionHandle;
using wininet::Handle;
using wininet::HandleKind;
using wininet::HandleTable;
using wininet::InternetHandle;

DWORD GetLastError() { return t_last_error; }
void SetLastError(DWORD error) { t_last_error = error; }

std::string StripControlChars(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) out += c;
    }
    return out;
}

HINTERNET InternetOpenA(const char* agent, DWORD access_type, const char* proxy, const char* proxy_bypass,
                        DWORD /*flags*/) {
    if (access_type != INTERNET_OPEN_TYPE_PRECONFIG && access_type != INTERNET_OPEN_TYPE_DIRECT &&
        access_type != INTERNET_OPEN_TYPE_PROXY)
        return FailHandle(ERROR_INVALID_PARAMETER);
    static std::once_flag curl_once;
    std::call_once(curl_once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    auto handle = std::make_shared<InternetHandle>();
    handle->agent = StripControlChars(Text(agent));
    handle->access_type = access_type;
    handle->proxy = StripControlChars(Text(proxy));
    handle->proxy_bypass = StripControlChars(Text(proxy_bypass));
    t_last_error = ERROR_SUCCESS;
    return HandleTable::Instance().Add(handle, nullptr);
}

HINTERNET InternetConnectA(HINTERNET internet, const char* server, INTERNET_PORT port, const char* user,
                           const char* password, DWORD service, DWORD /*flags*/, DWORD_PTR context) {
    const auto parent = HandleTable::Instance().Find(internet);
    if (!parent) return FailHandle(ERROR_INVALID_HANDLE);
    if (parent->Kind() != HandleKind::Internet) return FailHandle(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    if (service != INTERNET_SERVICE_HTTP) return FailHandle(ERROR_INVALID_PARAMETER);
    const std::string host = Text(server);
    if (host.empty() || host.find_first_of(" /\\?#@\r\n\t") != std::string::npos)
        return FailHandle(ERROR_INTERNET_INVALID_URL);
    const auto& inet = static_cast<const InternetHandle&>(*parent);
    auto handle = std::make_shared<ConnectionHandle>();
    handle->agent = inet.agent;
    handle->access_type = inet.access_type;
    handle->proxy = inet.proxy;
    handle->proxy_bypass = inet.proxy_bypass;
    handle->host = host;
    handle->port = port ? port : INTERNET_DEFAULT_HTTP_PORT;
    handle->user = StripControlChars(Text(user));
    handle->password = StripControlChars(Text(password));
    handle->SetContext(context);
    handle->ExchangeCallback(parent->Callback());
    const HINTERNET id = HandleTable::Instance().Add(handle, internet);
    handle->Notify(INTERNET_STATUS_HANDLE_CREATED, handle.get(), sizeof(void*));
    t_last_error = ERROR_SUCCESS;
    return id;
}

HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* object_name,
                           const char* version, const char* referrer, const char* const* accept_types,
                           DWORD flags, DWORD_PTR context) {
    const auto parent = HandleTable::Instance().Find(connection);
    if (!parent) return FailHandle(ERROR_INVALID_HANDLE);
    if (parent->Kind() != HandleKind::Connection) return FailHandle(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    std::string accept;
    for (const char* const* a = accept_types; a && *a; ++a) {
        if (!**a) continue;
        if (!accept.empty()) accept += ", ";
        accept += StripControlChars(*a);
    }
    std::string method = verb && *verb ? std::string(verb) : std::string("GET");
    if (method.find_first_of(" \t\r\n") != std::string::npos) return FailHandle(ERROR_INVALID_PARAMETER);
    std::string target = Text(object_name);
    if (target.empty()) target = "/";
    auto handle = wininet::MakeRequest(static_cast<const ConnectionHandle&>(*parent), method,
                                       EncodeRequestTarget(target), Text(version),
                                       StripControlChars(Text(referrer)), accept, flags);
    if (!handle) return nullptr;
    handle->SetContext(context);
    handle->ExchangeCallback(parent->Callback());
    const HINTERNET id = HandleTable::Instance().Add(handle, connection);
    handle->Notify(INTERNET_STATUS_HANDLE_CREATED, handle.get(), sizeof(void*));
    t_last_error = ERROR_SUCCESS;
    return id;
}

namespace {

std::shared_ptr<Handle> FindRequest(HINTERNET id) {
    auto handle = HandleTable::Instance().Find(id);
    if (!handle) {
        t_last_error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if (handle->Kind() != HandleKind::Request) {
        t_last_error = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
        return nullptr;
    }
    return handle;
}

}  // namespace

bool HttpAddRequestHeadersA(HINTERNET request, const char* headers, DWORD length, DWORD modifiers) {
    const auto handle = FindRequest(request);
    if (!handle) return false;
    if (!headers) return Fail(ERROR_INVALID_PARAMETER);
    const std::string text = length == static_cast<DWORD>(-1) ? std::string(headers) : std::string(headers, length);
    return wininet::AddRequestHeaders(*handle, text, modifiers);
}

bool HttpSendRequestA(HINTERNET request, const char* headers, DWORD headers_length, const void* optional,
                      DWORD optional_length) {
    const auto handle = FindRequest(request);
    if (!handle) return false;
    std::string extra;
    if (headers)
        extra = headers_length == static_cast<DWORD>(-1) ? std::string(headers) : std::string(headers, headers_length);
    return wininet::SendRequest(*handle, extra, optional, optional_length);
}

bool HttpQueryInfoA(HINTERNET request, DWORD info_level, void* buffer, DWORD* length, DWORD* index) {
    const auto handle = FindRequest(request);
    if (!handle) return false;
    return wininet::QueryInfo(*handle, info_level, buffer, length, index);
}

bool InternetQueryDataAvailable(HINTERNET file, DWORD* bytes_available, DWORD /*flags*/, DWORD_PTR /*context*/) {
    const auto handle = FindRequest(file);
    if (!handle) return false;
    if (!bytes_available) return Fail(ERROR_INVALID_PARAMETER);
    return wininet::QueryDataAvailable(*handle, bytes_available);
}

bool InternetReadFile(HINTERNET file, void* buffer, DWORD to_read, DWORD* read) {
    const auto handle = FindRequest(file);
    if (!handle) return false;
    if (!read || (!buffer && to_read)) return Fail(ERROR_INVALID_PARAMETER);
    return wininet::ReadBody(*handle, buffer, to_read, read);
}

bool InternetCloseHandle(HINTERNET handle) {
    if (!HandleTable::Instance().Close(handle)) return Fail(ERROR_INVALID_HANDLE);
    t_last_error = ERROR_SUCCESS;
    return true;
}

INTERNET_STATUS_CALLBACK InternetSetStatusCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback) {
    const auto h = HandleTable::Instance().Find(handle);
    if (!h) {
        t_last_error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return h->ExchangeCallback(callback);
}

bool InternetSetOptionA(HINTERNET handle, DWORD option, void* buffer, DWORD length) {
    if (handle) {
        const auto h = HandleTable::Instance().Find(handle);
        if (!h) return Fail(ERROR_INVALID_HANDLE);
        if (h->Kind() != HandleKind::Request) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return wininet::SetRequestOption(*h, option, buffer, length);
    }
    switch (option) {
        case INTERNET_OPTION_CONNECTED_STATE: {
            if (!buffer || length < sizeof(INTERNET_CONNECTED_INFO)) return Fail(ERROR_INTERNET_BAD_OPTION_LENGTH);
            INTERNET_CONNECTED_INFO info{};
            std::memcpy(&info, buffer, sizeof info);
            g_offline = (info.dwConnectedState & (INTERNET_STATE_DISCONNECTED | INTERNET_STATE_DISCONNECTED_BY_USER)) != 0;
            return true;
        }
        case INTERNET_OPTION_CONNECT_TIMEOUT:
        case INTERNET_OPTION_RECEIVE_TIMEOUT: {
            if (!buffer || length != sizeof(DWORD)) return Fail(ERROR_INTERNET_BAD_OPTION_LENGTH);
            DWORD value = 0;
            std::memcpy(&value, buffer, sizeof value);
            if (value == 0) return Fail(ERROR_INVALID_PARAMETER);
            std::lock_guard lock(g_settings_mutex);
            (option == INTERNET_OPTION_CONNECT_TIMEOUT ? g_settings.connect_timeout_ms : g_settings.receive_timeout_ms) = value;
            return true;
        }
        case INTERNET_OPTION_TEST_CA_FILE: {
            std::lock_guard lock(g_settings_mutex);
            g_settings.test_ca_file = buffer ? std::string(static_cast<const char*>(buffer), length) : std::string();
            return true;
        }
        default:
            return Fail(ERROR_INTERNET_INVALID_OPTION);
    }
}

bool InternetQueryOptionA(HINTERNET handle, DWORD option, void* buffer, DWORD* length) {
    if (handle) return Fail(ERROR_INTERNET_INVALID_OPTION);
    if (!length) return Fail(ERROR_INVALID_PARAMETER);
    DWORD value = 0;
    switch (option) {
        case INTERNET_OPTION_CONNECTED_STATE:
            value = g_offline ? INTERNET_STATE_DISCONNECTED_BY_USER : INTERNET_STATE_CONNECTED;
            break;
        case INTERNET_OPTION_CONNECT_TIMEOUT:
            value = wininet::CurrentSettings().connect_timeout_ms;
            break;
        case INTERNET_OPTION_RECEIVE_TIMEOUT:
            value = wininet::CurrentSettings().receive_timeout_ms;
            break;
        default:
            return Fail(ERROR_INTERNET_INVALID_OPTION);
    }
    if (!buffer || *length < sizeof value) {
        *length = sizeof value;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, &value, sizeof value);
    *length = sizeof value;
    return true;
}

std::string InternetLayerVersion() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    if (!info) return {};
    const unsigned v = info->version_num;
    return std::to_string((v >> 16) & 0xFF) + "." + std::to_string((v >> 8) & 0xFF) + "." +
           std::to_string(v & 0xFF) + ".0";
}

}  // namespace corvane
