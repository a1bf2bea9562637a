#pragma once
// Errors of the language files.

#include <stdexcept>
#include <string>

namespace corvane {

// A language file that cannot be read or written (wrong magic, truncated, corrupt, I/O failure).
class ELangFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An editing call that refers to a string the file does not hold.
class ELangStrNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace corvane
