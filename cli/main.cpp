// The edb2pst program's entry point: wide arguments on Windows (any file name
// the system allows), UTF-8 elsewhere.
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/Edb2Pst.h"
#include "text/Utf8.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    return cli::RunEdb2Pst(args, cli::StandardConsole());
}
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(mailbox::FromUtf8(argv[i]));
    return cli::RunEdb2Pst(args, cli::StandardConsole());
}
#endif
