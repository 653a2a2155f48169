#pragma once
// Where a command's output goes. Text is UTF-8; the program's console class
// turns it into what the system's streams want, tests collect it.
#include <string>

namespace cli {

class Console {
public:
    virtual ~Console() = default;
    virtual void Out(const std::string& utf8) = 0;
    virtual void Err(const std::string& utf8) = 0;
    // A progress bar is drawn only for a person watching standard error.
    virtual bool ErrIsTerminal() const = 0;
};

// The process's standard output and error.
Console& StandardConsole();

// A command line a command cannot take: what is wrong and the command's usage
// on standard error; the exit status 2 that every command gives for it.
inline int UsageError(Console& console, const std::string& why, const char* usage) {
    console.Err("edb2pst: " + why + "\nusage: " + usage + "\n");
    return 2;
}

}  // namespace cli
