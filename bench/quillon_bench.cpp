// Messages per second through the COM exchange with quillon.Class1 (a new
// instance per message, as the conversion makes them) against the same
// component core called in process, on the same messages, in the same run.
// Rounds alternate so both sides see the same machine state. Run under wine:
//
//   wine quillon_bench.exe [messages per round] [rounds]
//
// Goal: the exchange adds less than half of the in-process time.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ComponentFixture.h"
#include "comclients/ComMailParser.h"
#include "components/DirectMailParser.h"

namespace {

std::wstring BuildPath(const char* built) {
    // A Unix build path is reached through wine's Z: drive.
    std::wstring path = built[0] && built[1] == ':' ? L"" : L"Z:";
    for (const char* c = built; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path;
}

std::wstring TempFolder() {
    wchar_t base[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base) + L"quillon-bench-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// One round: a new store, Inbox, then every message written as the system
// writes it and handed over. Answers the seconds spent on the messages.
double Round(components::IMailParserComponent& parser, const std::wstring& folder, const std::wstring& name,
             const std::vector<component_test::SampleMail>& mails, int& failures) {
    parser.CreateStore(folder + L"\\" + name + L".pst", name);
    const std::wstring inbox = L"\\\\" + name + L"\\Inbox";
    parser.CreateFolder(inbox);
    const std::wstring eml = folder + L"\\message.eml";
    auto start = std::chrono::steady_clock::now();
    for (const component_test::SampleMail& mail : mails) {
        std::ofstream(eml.c_str(), std::ios::binary) << mail_test::SystemEml(mail.text);
        components::MessageImportArguments arguments;
        arguments.folderPath = inbox;
        arguments.attachmentName = L"name text";
        arguments.owner = L"Admin";
        arguments.emlPath = eml;
        arguments.sourceTimeText = L"06/12/2026 09:05 AM";
        arguments.messageText = component_test::W(mail::Windows1252ToUtf8(mail.text));
        if (parser.ImportMessage(arguments).compare(0, 2, L"OK") != 0) ++failures;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int perRound = argc > 1 ? std::atoi(argv[1]) : 400;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::wstring dll = BuildPath(KORVANE_PROGRAM_DIR) + L"\\Quillon.dll";
    HMODULE module = ::LoadLibraryW(dll.c_str());
    using EntryFn = HRESULT(STDAPICALLTYPE*)();
    auto registerServer =
        module ? reinterpret_cast<EntryFn>(reinterpret_cast<void*>(::GetProcAddress(module, "DllRegisterServer")))
               : nullptr;
    if (!registerServer || FAILED(registerServer())) {
        std::fprintf(stderr, "cannot register %ls\n", dll.c_str());
        return 1;
    }

    std::vector<component_test::SampleMail> mails;
    for (int n = 1; n <= perRound; ++n) mails.push_back(component_test::MakeSampleMail(n));
    const std::wstring folder = TempFolder();
    quillon::StoreRegistry registry;
    components::CDirectMailParser direct(registry);
    components::CComMailParser exchange(nullptr, L"");
    double directSeconds = 0, exchangeSeconds = 0;
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        directSeconds += Round(direct, folder, L"direct" + std::to_wstring(round), mails, failures);
        exchangeSeconds += Round(exchange, folder, L"exchange" + std::to_wstring(round), mails, failures);
    }
    registry.Shutdown();
    // The exchange's own cost, apart from the engine's noisy disk time: create,
    // opening call, a call the component refuses at once, release.
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < perRound * rounds; ++n) exchange.CreateFolder(L"");
    const double bareSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double total = static_cast<double>(perRound) * rounds;
    std::printf("messages: %d per round, %d rounds (every third with a 3000-byte attachment)\n", perRound, rounds);
    std::printf("in process:    %8.1f messages/s\n", total / directSeconds);
    std::printf("COM exchange:  %8.1f messages/s (new instance per message)\n", total / exchangeSeconds);
    std::printf("exchange adds: %6.1f%% of the in-process time (goal: under 50%%)\n",
                100.0 * (exchangeSeconds - directSeconds) / directSeconds);
    std::printf("bare exchange: %8.1f microseconds each, %.1f%% of an in-process message\n", 1e6 * bareSeconds / total,
                100.0 * bareSeconds / directSeconds);
    if (failures) std::printf("calls not answered OK: %d\n", failures);
    return failures ? 1 : 0;
}
