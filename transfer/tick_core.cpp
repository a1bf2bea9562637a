#include "transfer/tick_core.h"

#include "transfer/kit_texts.h"

#include <stdexcept>

namespace corvane {

TickCore::TickCore() {
    if (!TickCore::Initialize()) throw std::runtime_error("Couldn't initialize");
    raise_exceptions_ = true;
}

std::string TickCore::ErrorText(int code) { return KitErrorText(code); }

EInetKitError TickCore::MakeException(int code, const std::string& text) const { return EInetKitError(code, text); }

void TickCore::Error(int code, const std::string& text) {
    if (code == 0) return;
    last_error_ = code;
    const std::string stored = text.empty() ? ErrorText(code) : text;
    SetLastErrorText(stored);
    if (raise_exceptions_) throw MakeException(code, stored);
}

void TickCore::DoError(int code, const std::string& text) {
    if (OnError) OnError(*this, code, text);
}

bool TickCore::Initialize() {
    initialized_ = true;
    return true;
}

void TickCore::CloneFromComponent(const TickCore& source) { OnError = source.OnError; }

std::string TickCore::LastErrorText() const {
    std::lock_guard lock(text_mutex_);
    return last_error_text_;
}

void TickCore::SetLastErrorText(const std::string& text) {
    std::lock_guard lock(text_mutex_);
    last_error_text_ = text;
}

}  // namespace corvane
