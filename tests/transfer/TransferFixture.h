#pragma once
// The transfer with everything around it replaceable: a component that
// records its calls (and can be told to refuse), sources in memory, a fixed
// clock, a temporary folder of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "MemorySource.h"
#include "TestFiles.h"
#include "components/DirectMailParser.h"
#include "quillon/core/MessageFileRead.h"
#include "text/Utf8.h"
#include "transfer/SaveAllRun.h"
#include "transfer/SystemPath.h"
#include "quillon/core/StoreRegistry.h"

namespace transfer_test {

namespace fs = std::filesystem;

// Every call as one line: "store PATH | NAME", "folder PATH", "message FOLDER | ATTACHMENT | EML BYTES".
struct CallLog {
    std::vector<std::string> calls;
    std::set<std::string> refuse;      // "store", "folder", "message": answer ERROR
    std::function<void()> onMessage;   // called as each message is handed over
    components::BatchLimits batching;  // more than one message: takes batches, "batch NAME NAME..."
    std::string refuseBatchWith;       // a batch holding the message of this name is refused
};

class RecordingComponent final : public components::IMailParserComponent {
public:
    explicit RecordingComponent(CallLog& log) : m_log(log) {}
    components::ComponentAnswer CreateStore(const std::wstring& path, const std::wstring& name) override {
        return Answer("store", "store " + U(path) + " | " + U(name));
    }
    components::ComponentAnswer CreateFolder(const std::wstring& path) override {
        return Answer("folder", "folder " + U(path));
    }
    components::ComponentAnswer ImportMessage(const components::MessageImportArguments& a) override {
        // Read as the component does: the run holds the file open meanwhile.
        std::string eml = quillon::ReadMessageFile(U(a.emlPath));
        if (m_log.onMessage) m_log.onMessage();
        return Answer("message", "message " + U(a.folderPath) + " | " + U(a.attachmentName) + " | " + U(a.owner) +
                                     " | " + U(a.sourceTimeText) + " | " + eml);
    }

    components::BatchLimits Batching() const override { return m_log.batching; }
    components::ComponentAnswer ImportMessages(const std::vector<components::MessageImportArguments>& batch) override {
        std::string call = "batch";
        bool refuse = false;
        for (const components::MessageImportArguments& a : batch) {
            // The bytes come in memory, no file.
            call += a.emlPath.empty() && a.emlBytes.rfind("From:", 0) == 0 ? U(a.attachmentName) : " (no bytes)";
            refuse = refuse || U(a.attachmentName) == m_log.refuseBatchWith;
        }
        Answer("batch", call);
        if (refuse) return {false, L"ERROR: refused by the test"};
        return {true, L"OK"};
    }

private:
    static std::string U(const std::wstring& text) { return mailbox::ToUtf8(text); }
    components::ComponentAnswer Answer(const std::string& kind, std::string call) {
        m_log.calls.push_back(std::move(call));
        if (m_log.refuse.count(kind)) return {false, L"ERROR: refused by the test"};
        return {true, L"OK"};
    }
    CallLog& m_log;
};

// A source of `count` headers "Content-Type: text/plain; filename="mN.txt"=\n",
// one per 512 bytes from offset 4096 (never across a 4096-byte block end).
inline std::string SourceWithHeaders(int count) {
    return scantest::FileImage(
        4096 + static_cast<size_t>(count) * 512 + 100, scantest::Records(count, 4096, 512, [](int n) {
            return "Content-Type: text/plain; filename=\"m" + std::to_string(n + 1) + ".txt\"=\nbody";
        }));
}

class Observer final : public convert::TransferObserver {
public:
    void OnMailbox(size_t number, size_t count, const std::wstring& name, const std::wstring&) override {
        events.push_back("mailbox " + std::to_string(number) + "/" + std::to_string(count) + " " +
                         mailbox::ToUtf8(name));
    }
    void OnFolder(const std::wstring& name) override { events.push_back("folder " + mailbox::ToUtf8(name)); }
    void OnMessage(uint64_t number, std::optional<uint64_t> expected) override {
        lastMessage = number;
        expectedTotal = expected;
    }
    void OnProgress(unsigned percent) override { lastPercent = percent; }
    std::vector<std::string> events;
    uint64_t lastMessage = 0;
    std::optional<uint64_t> expectedTotal;
    unsigned lastPercent = 0;
};

// Stops once `after` messages have been offered.
class StopAfter final : public mailbox::ScanToken {
public:
    explicit StopAfter(const Observer& observer, uint64_t after) : m_observer(observer), m_after(after) {}
    bool StopRequested() override { return m_observer.lastMessage >= m_after; }
    void WaitWhilePaused() override {}

private:
    const Observer& m_observer;
    uint64_t m_after;
};

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_dir / "tmp");
        std::wstring error;
        m_temp = convert::TempMessageFolder::Create(error, m_dir / "tmp");
        ASSERT_TRUE(m_temp) << mailbox::ToUtf8(error);
        services.openExchange = [this] { return std::make_unique<RecordingComponent>(log); };
        services.openSource = [this](const std::wstring& path,
                                     mailbox::ScanError& error) -> std::unique_ptr<mailbox::SourceFile> {
            if (path == L"gone.edb") {
                error = {mailbox::ScanError::Kind::CannotOpen, path, L"No such file or directory"};
                return nullptr;
            }
            return std::make_unique<scantest::MemorySource>(sourceBytes, failFrom);
        };
        services.codePage = &mailbox::Windows1252();
        services.token = &neverStop;
        services.observer = &observer;
        services.tempFolder = m_temp.get();
        services.clock = [] { return convert::LocalTime{2026, 12, 6, 9, 5}; };
        source.path = L"priv1.edb";
        source.timeText = L"06/12/2026 09:05 AM";
    }
    void UseSource(int headers, bool analysed = true) {
        sourceBytes = SourceWithHeaders(headers);
        source.headerCount = analysed ? std::optional<uint64_t>(headers) : std::nullopt;
    }
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& call : log.calls)
            if (call.compare(0, prefix.size(), prefix) == 0) out.push_back(call);
        return out;
    }

    pst_test::TempDir m_tempDir{"transfer"};
    const fs::path m_dir = m_tempDir.Path();
    std::unique_ptr<convert::TempMessageFolder> m_temp;  // goes before the folder that holds it
    CallLog log;
    Observer observer;
    mailbox::NeverStop neverStop;
    convert::TransferServices services;
    convert::TransferSource source;
    std::string sourceBytes;
    uint64_t failFrom = UINT64_MAX;
};

}  // namespace transfer_test
