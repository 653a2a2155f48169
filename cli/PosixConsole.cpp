#include <unistd.h>

#include <cstdio>

#include "cli/Console.h"

namespace cli {
namespace {

class PosixConsole final : public Console {
public:
    void Out(const std::string& utf8) override { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }
    void Err(const std::string& utf8) override {
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
        std::fflush(stderr);
    }
    bool ErrIsTerminal() const override { return ::isatty(2) == 1; }
};

}  // namespace

Console& StandardConsole() {
    static PosixConsole console;
    return console;
}

}  // namespace cli
