#pragma once
// The transfer kit's exception: a message and the numeric error code.

#include <stdexcept>
#include <string>

namespace corvane {

class EInetKitError : public std::runtime_error {
public:
    // The message is the text, a colon, a blank and the code in decimal.
    EInetKitError(int code, const std::string& text)
        : std::runtime_error(text + ": " + std::to_string(code)), code_(code), text_(text) {}

    int Code() const { return code_; }
    const std::string& Text() const { return text_; }

private:
    int code_;
    std::string text_;
};

}  // namespace corvane
