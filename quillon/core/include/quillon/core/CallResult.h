#pragma once
// What every call of the component answers (the BSTR the COM client gets).
// The system examines no answer; they are for logs and for people reading
// them, so both forms are plain sentences:
//   success: "OK" or "OK: <what was done>"
//   failure: "ERROR: <what failed and why; what became of the file>"

#include <string>

namespace quillon {

struct CallResult {
    bool ok = false;
    std::string text;  // UTF-8

    static CallResult Success(const std::string& detail) { return {true, detail.empty() ? "OK" : "OK: " + detail}; }
    static CallResult Failure(const std::string& reason) { return {false, "ERROR: " + reason}; }
};

}  // namespace quillon
