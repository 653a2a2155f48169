// A client of quillon.Class1 that knows nothing but the call contract: it
// makes the system's exchanges (components::CComMailParser, IDispatch by
// DISPID) for one mailbox in a process of its own, so tests can run several
// processes on one file and kill one mid-import.
//
//   quillon_client save-all|save-current <pst path> <display name> <first> <count>
//
// Messages first..first+count-1 (component_test::MakeSampleMail) go to Inbox.
// Exit code: how many calls did not answer "OK" (at most 100).
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ComponentFixture.h"
#include "comclients/ComMailParser.h"

namespace {

std::wstring TempEmlPath(int n) {
    wchar_t base[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, base);
    return std::wstring(base) + L"quillon-client-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(n) + L".eml";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using component_test::U;
    using component_test::W;
    if (argc != 6) return 100;
    const std::wstring mode = argv[1], pstPath = argv[2], name = argv[3];
    const int first = std::wcstol(argv[4], nullptr, 10), count = std::wcstol(argv[5], nullptr, 10);
    const bool saveAll = mode == L"save-all";

    components::CComMailParser parser(nullptr, L"");
    int failures = 0;
    auto check = [&](const components::ComponentAnswer& answer) {
        if (!answer.ok) ++failures;
    };
    const std::wstring root = L"\\\\" + name;
    check(parser.CreateStore(pstPath, name));
    std::wstring inbox;
    if (saveAll) {
        for (const char* folder : standard_folders::kSaveAll) check(parser.CreateFolder(root + L"\\" + W(folder)));
        inbox = root + L"\\Inbox";
    } else {
        const std::wstring top = root + L"\\Top of Information Store";
        inbox = top + L"\\Inbox";
        check(parser.CreateFolder(top));
        check(parser.CreateFolder(inbox));
    }
    for (int n = first; n < first + count; ++n) {
        component_test::SampleMail mail = component_test::MakeSampleMail(n);
        components::MessageImportArguments arguments;
        arguments.folderPath = inbox;
        arguments.attachmentName = L"name text";
        arguments.owner = L"Admin";
        arguments.emlPath = TempEmlPath(n);
        arguments.sourceTimeText = L"06/12/2026 09:05 AM";
        arguments.messageText = W(mail::Windows1252ToUtf8(mail.text));
        std::ofstream(arguments.emlPath.c_str(), std::ios::binary) << mail_test::SystemEml(mail.text);
        check(parser.ImportMessage(arguments));
        ::DeleteFileW(arguments.emlPath.c_str());
    }
    return failures > 100 ? 100 : failures;
}
