#pragma once
// Inside the engine a failure unwinds the whole operation at once; the public
// API catches EngineError at its boundary and turns it into a Status.

#include <stdexcept>
#include <string>

namespace pst {

class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

[[noreturn]] inline void Fail(const std::string& message) { throw EngineError(message); }

}  // namespace pst
