#pragma once
// Helpers the transfer kit's tests share.

#include <fstream>
#include <sstream>
#include <string>

#include "transfer/tick_http.h"

namespace corvane::test {

// Runs an action; 0, or the code of the EInetKitError it raised.
inline int Perform(TickHTTP& http, TickHTTPActions action = TickHTTPActions::Get) {
    try {
        http.SetAction(action);
        return 0;
    } catch (const EInetKitError& e) {
        return e.Code();
    }
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

}  // namespace corvane::test
