#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "cli/Console.h"
#include "text/Utf8.h"

namespace cli {
namespace {

// A console gets wide text, so names show in any code page; a pipe or file
// gets the UTF-8 bytes unchanged (no "\r\n" translation), the same bytes the
// other systems write.
class WindowsConsole final : public Console {
public:
    WindowsConsole() {
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
    }
    void Out(const std::string& utf8) override { Write(STD_OUTPUT_HANDLE, stdout, utf8); }
    void Err(const std::string& utf8) override { Write(STD_ERROR_HANDLE, stderr, utf8); }
    bool ErrIsTerminal() const override { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

private:
    static bool IsConsole(HANDLE handle) {
        DWORD mode = 0;
        return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
    }
    static void Write(DWORD which, FILE* stream, const std::string& utf8) {
        HANDLE handle = GetStdHandle(which);  // not owned
        if (IsConsole(handle)) {
            std::fflush(stream);
            std::wstring wide = mailbox::FromUtf8(utf8);
            DWORD written = 0;
            WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
            return;
        }
        std::fwrite(utf8.data(), 1, utf8.size(), stream);
        if (stream == stderr) std::fflush(stream);
    }
};

}  // namespace

Console& StandardConsole() {
    static WindowsConsole console;
    return console;
}

}  // namespace cli
