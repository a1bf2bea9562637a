#pragma once
// The base of the transfer kit's components: the error state and the error exception.

#include "transfer/inet_kit_error.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

namespace corvane {

class TickCore {
public:
    using TErrorEvent = std::function<void(TickCore& sender, int code, const std::string& text)>;

    TickCore();
    virtual ~TickCore() = default;
    TickCore(const TickCore&) = delete;
    TickCore& operator=(const TickCore&) = delete;

    // The text of an error code: "Ok" for 0, else "[code] text." (only the low 16 bits count).
    static std::string ErrorText(int code);

    virtual EInetKitError MakeException(int code, const std::string& text) const;
    // Code 0 does nothing. Otherwise records the code and the text (ErrorText(code) when the text
    // is empty) and raises MakeException when RaiseExceptions is set.
    virtual void Error(int code, const std::string& text);
    // Fires OnError.
    virtual void DoError(int code, const std::string& text);
    // Resets the component's state; descendants reset their own fields here.
    virtual bool Initialize();
    // Copies the settings of another component of the kit.
    virtual void CloneFromComponent(const TickCore& source);

    std::string Name;
    TErrorEvent OnError;

    bool Initialized() const { return initialized_; }
    bool RaiseExceptions() const { return raise_exceptions_; }
    int LastError() const { return last_error_.load(); }
    std::string LastErrorText() const;

protected:
    void SetLastErrorText(const std::string& text);

private:
    bool initialized_ = false;
    bool raise_exceptions_ = true;
    std::atomic<int> last_error_{0};
    mutable std::mutex text_mutex_;
    std::string last_error_text_;
};

}  // namespace corvane
