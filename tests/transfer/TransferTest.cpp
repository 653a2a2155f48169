// The transfer over a recording component: the calls Save All and Save Current
// make, every header of the source imported, and each failure counted and
// reported instead of passing for success.
#include "TransferFixture.h"
#include "tests/common/StandardFolders.h"

namespace transfer_test {
namespace {

const std::string kDisplay = "Korvane-EDB-PST-Anna6-12-2026 9-5";
const std::string kSender = "Administrator <administrator@korvane.local>\r";

std::string Eml(int n) {
    return "From:" + kSender + "To:" + kSender + "SubjectContent-Type: text/plain; filename=\"m" + std::to_string(n) +
           ".txt\"=\r\nbody";
}

TEST_F(TransferTest, SaveAllCreatesTheStoreTheStandardFoldersAndFillsTheInbox) {
    UseSource(1);
    convert::CMailboxTransfer transfer(services, source);
    ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"Anna", L"Anna"));
    transfer.SaveStandardFolders();
    // The folders in Save All's order, the Inbox filled as soon as it is made.
    std::vector<std::string> expected = {"store " + mailbox::ToUtf8(convert::JoinPath(L"out", L"")) + kDisplay +
                                         ".pst | " + kDisplay};
    for (const std::string folder : standard_folders::kSaveAll) {
        expected.push_back("folder \\\\" + kDisplay + "\\" + folder);
        if (folder == "Inbox")
            expected.push_back("message \\\\" + kDisplay + "\\Inbox |  m1.txt | Admin | 06/12/2026 09:05 AM | " +
                               Eml(1));
    }
    EXPECT_EQ(log.calls, expected);
    EXPECT_TRUE(transfer.Result().Succeeded());
    // The message file is gone once the scan ends, and only the run's own folder held it.
    EXPECT_TRUE(fs::is_empty(m_temp->Folder()));
}

TEST_F(TransferTest, EveryHeaderIsImportedWhateverTheCount) {
    // The count the analysis passes on is the true number of markers; the
    // last markers must not be lost to it, nor a zero count divide anything.
    for (int headers : {0, 1, 2, 3, 60}) {
        SCOPED_TRACE(headers);
        for (bool analysed : {true, false}) {
            log.calls.clear();
            observer = Observer();
            UseSource(headers, analysed);
            convert::CMailboxTransfer transfer(services, source);
            ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"Anna", L"Anna"));
            transfer.SaveStandardFolders();
            std::vector<std::string> messages = CallsStartingWith("message");
            ASSERT_EQ(messages.size(), static_cast<size_t>(headers));
            if (headers > 0) {
                EXPECT_NE(messages.back().find(Eml(headers)), std::string::npos);
            }
            EXPECT_EQ(transfer.Result().found, static_cast<uint64_t>(headers));
            EXPECT_EQ(transfer.Result().stored, static_cast<uint64_t>(headers));
            EXPECT_EQ(observer.lastMessage, static_cast<uint64_t>(headers));
            EXPECT_EQ(observer.expectedTotal, source.headerCount);
            if (headers > 0 && analysed) {
                EXPECT_EQ(observer.lastPercent, 100u);
            }
        }
    }
}

TEST_F(TransferTest, NothingIsSearchedInTheFirst4096Bytes) {
    sourceBytes = std::string(4096, '\0');
    sourceBytes.replace(100, 12, "Content-Type");
    convert::CMailboxTransfer transfer(services, source);
    ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"Anna", L"Anna"));
    transfer.ImportMessagesFromSource();
    EXPECT_TRUE(CallsStartingWith("message").empty());
    EXPECT_TRUE(transfer.Result().Succeeded());
}

TEST_F(TransferTest, SaveCurrentFollowsTheTickedPaths) {
    UseSource(2);
    struct {
        std::vector<std::wstring> ticked;
        std::vector<std::string> calls;  // folder paths below the store; "> P": a message into P
    } cases[] = {
        // An inbox subfolder: the scan runs at the "Inbox" level, into the deepest folder.
        {{L"Anna\\Inbox\\Projects\\", L"Anna\\Sent Items"},
         {"Inbox", "> Inbox\\Projects", "> Inbox\\Projects", "Inbox\\Projects", "Sent Items"}},
        // "Inbox" at two levels: two scans, both into the whole path.
        {{L"Anna\\Inbox\\Inbox"},
         {"Inbox", "> Inbox\\Inbox", "> Inbox\\Inbox", "Inbox\\Inbox", "> Inbox\\Inbox", "> Inbox\\Inbox"}},
    };
    for (const auto& c : cases) {
        log.calls.clear();
        convert::CMailboxTransfer transfer(services, source);
        ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"Anna", L"Anna"));
        std::vector<std::wstring> ticked = c.ticked;
        transfer.SaveCheckedFolders(ticked, L"Anna");
        EXPECT_TRUE(ticked.empty());
        std::vector<std::string> seen;
        for (const std::string& call : log.calls) {
            if (call.rfind("folder ", 0) == 0)
                seen.push_back(call.substr(std::string("folder \\\\" + kDisplay + "\\").size()));
            if (call.rfind("message ", 0) == 0) {
                std::string path = call.substr(std::string("message \\\\" + kDisplay + "\\").size());
                seen.push_back("> " + path.substr(0, path.find(" |")));
            }
        }
        EXPECT_EQ(seen, c.calls);
    }
}

TEST_F(TransferTest, SaveCurrentKeepsAMailboxNameThatHoldsABackslashWhole) {
    UseSource(0);
    convert::CMailboxTransfer transfer(services, source);
    ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"CORP\\Ops", L"CORP_Ops"));
    std::vector<std::wstring> ticked = {L"CORP\\Ops\\Calendar"};
    transfer.SaveCheckedFolders(ticked, L"CORP\\Ops");
    EXPECT_EQ(CallsStartingWith("folder"),
              std::vector<std::string>{"folder \\\\Korvane-EDB-PST-CORP_Ops6-12-2026 9-5\\Calendar"});
}

TEST_F(TransferTest, FailuresAreCountedAndDescribedNotPassedOffAsSuccess) {
    struct {
        const char* what;
        std::string refuse;
        bool unreadable, readFailsPartWay;
        bool storeCreated;
        uint64_t found, stored, failed;
        const char* problem;
    } cases[] = {
        {"store refused", "store", false, false, false, 0, 0, 0, "was not created: ERROR: refused by the test"},
        {"messages refused", "message", false, false, true, 3, 0, 3, "message 1 was not stored: ERROR"},
        {"source cannot be opened", "", true, false, true, 0, 0, 0, "the source cannot open"},
        {"read fails part way", "", false, true, true, 3, 3, 0, "the source cannot read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log = CallLog();
        if (!c.refuse.empty()) log.refuse.insert(c.refuse);
        UseSource(3);
        // Reads past the first 256 KiB fail; the scan reads at most 128 KiB at a time.
        failFrom = c.readFailsPartWay ? 256 * 1024 : UINT64_MAX;
        if (c.readFailsPartWay) sourceBytes.resize(512 * 1024, '\0');
        source.path = c.unreadable ? L"gone.edb" : L"priv1.edb";
        convert::CMailboxTransfer transfer(services, source);
        transfer.CreateMailboxPst(L"out", L"Anna", L"Anna");
        transfer.SaveStandardFolders();
        const convert::MailboxResult& r = transfer.Result();
        EXPECT_EQ(r.storeCreated, c.storeCreated);
        EXPECT_EQ(r.found, c.found);
        EXPECT_EQ(r.stored, c.stored);
        EXPECT_EQ(r.failed, c.failed);
        EXPECT_FALSE(r.Succeeded());
        ASSERT_FALSE(r.problems.empty());
        EXPECT_NE(r.problems[0].find(mailbox::FromUtf8(c.problem)), std::wstring::npos)
            << mailbox::ToUtf8(r.problems[0]);
        EXPECT_EQ(r.problems.size(), 1u) << "one sentence per kind of failure";
        if (!c.storeCreated) {
            EXPECT_TRUE(CallsStartingWith("folder").empty());
        }
        source.path = L"priv1.edb";
        failFrom = UINT64_MAX;
    }
}

TEST_F(TransferTest, SaveAllNamesEveryMailboxSafelyAndDistinctly) {
    UseSource(1);
    convert::SaveAllRequest request{L"dest", {L"a:b", L"A*b", L"..\\..\\Windows\\System32", L"CON", L"..."}, false};
    convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, services, source);
    ASSERT_TRUE(outcome.Succeeded());
    const std::wstring folder = convert::JoinPath(L"dest", L"Korvane-EDB-PST6-12-2026 9-5");
    std::vector<std::wstring> files;
    for (const convert::MailboxResult& r : outcome.mailboxes) {
        EXPECT_EQ(r.pstPath.rfind(convert::JoinPath(folder, L"Korvane-EDB-PST-"), 0), 0u) << mailbox::ToUtf8(r.pstPath);
        files.push_back(r.pstPath.substr(folder.size() + 1));
    }
    const std::vector<std::wstring> expected = {
        L"Korvane-EDB-PST-a_b6-12-2026 9-5.pst", L"Korvane-EDB-PST-A_b_26-12-2026 9-5.pst",
        L"Korvane-EDB-PST-.._.._Windows_System326-12-2026 9-5.pst", L"Korvane-EDB-PST-CON_6-12-2026 9-5.pst",
        L"Korvane-EDB-PST-_6-12-2026 9-5.pst"};
    EXPECT_EQ(files, expected);
    EXPECT_EQ(outcome.mailboxes[1].name, L"A*b") << "pages and the log keep the name as found";
    EXPECT_EQ(observer.events.front(), "mailbox 1/5 a:b");
}

TEST_F(TransferTest, SkippedAnalysisGivesAFolderPerMailboxNamedAfterTheConvertedSource) {
    UseSource(2, false);
    source.path = convert::JoinPath(L"found", L"priv2.edb");
    services.openSource = [this](const std::wstring&, mailbox::ScanError&) {
        return std::make_unique<scantest::MemorySource>(sourceBytes);
    };
    convert::SaveAllRequest request{L"dest", {L"Anna", L"Bo", L"CONIN$"}, true};
    convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, services, source);
    ASSERT_TRUE(outcome.Succeeded());
    const std::wstring run = convert::JoinPath(L"dest", L"Korvane_Converted_priv2.edb6-12-2026 9-5");
    EXPECT_EQ(outcome.mailboxes[1].pstPath,
              convert::JoinPath(convert::JoinPath(run, L"Bo"), L"Korvane-EDB-PST-Bo6-12-2026 9-5.pst"));
    EXPECT_EQ(outcome.mailboxes[1].stored, 2u);
    // The folder is named by the same rule as the file: a device name is escaped.
    EXPECT_EQ(outcome.mailboxes[2].pstPath.rfind(convert::JoinPath(convert::JoinPath(run, L"CONIN$_"), L""), 0), 0u);
}

TEST_F(TransferTest, AStopEndsTheRunAfterTheMessageBeingHandedOver) {
    UseSource(5);
    StopAfter stop(observer, 2);
    services.token = &stop;
    convert::SaveAllRequest request{L"dest", {L"Anna", L"Bo"}, false};
    convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, services, source);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.Succeeded());
    ASSERT_EQ(outcome.mailboxes.size(), 1u);
    EXPECT_EQ(outcome.mailboxes[0].stored, 2u);
}

TEST_F(TransferTest, AComponentThatTakesBatchesGetsWholeBatchesAndTrueCounts) {
    struct {
        const char* what;
        components::BatchLimits limits;
        uint64_t stopAfter;
        std::string refuse;
        std::vector<std::string> calls;
        uint64_t stored, failed;
    } cases[] = {
        {"by messages",
         {3, 0},
         0,
         "",
         {"batch m1.txt m2.txt m3.txt", "batch m4.txt m5.txt m6.txt", "batch m7.txt"},
         7,
         0},
        {"by bytes",
         {3, 1},
         0,
         "",
         {"batch m1.txt", "batch m2.txt", "batch m3.txt", "batch m4.txt", "batch m5.txt", "batch m6.txt",
          "batch m7.txt"},
         7,
         0},
        // What was offered before the stop is handed over.
        {"stopped", {3, 0}, 4, "", {"batch m1.txt m2.txt m3.txt", "batch m4.txt"}, 4, 0},
        // A refused batch is tried message by message: one bad message costs no other.
        {"one refused",
         {3, 0},
         0,
         " m2.txt",
         {"batch m1.txt m2.txt m3.txt", "batch m1.txt", "batch m2.txt", "batch m3.txt", "batch m4.txt m5.txt m6.txt",
          "batch m7.txt"},
         6,
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log = CallLog();
        observer = Observer();
        log.batching = c.limits;
        log.refuseBatchWith = c.refuse;
        UseSource(7);
        StopAfter stop(observer, c.stopAfter ? c.stopAfter : UINT64_MAX);
        services.token = &stop;
        convert::CMailboxTransfer transfer(services, source);
        ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"Anna", L"Anna"));
        transfer.SaveStandardFolders();
        EXPECT_EQ(CallsStartingWith("batch"), c.calls);
        EXPECT_TRUE(CallsStartingWith("message").empty());
        const convert::MailboxResult& r = transfer.Result();
        EXPECT_EQ(r.found, r.stored + r.failed);
        EXPECT_EQ(r.stored, c.stored);
        EXPECT_EQ(r.failed, c.failed);
        EXPECT_EQ(r.stopped, c.stopAfter != 0);
        std::vector<std::wstring> problems;
        if (c.failed) problems.push_back(L"message 2 was not stored: ERROR: refused by the test");
        EXPECT_EQ(r.problems, problems);
        EXPECT_TRUE(fs::is_empty(m_temp->Folder()));
    }
}

TEST_F(TransferTest, ADestinationTooLongForAUsablePathIsRefusedBeforeAnyWrite) {
    UseSource(1);
    for (bool skip : {false, true}) {
        convert::SaveAllRequest request{std::wstring(220, L'd'), {L"Anna"}, skip};
        convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, services, source);
        EXPECT_NE(outcome.refusal.find(L"is too long"), std::wstring::npos);
        EXPECT_TRUE(log.calls.empty());
    }
    // Within the limit, a long name is cut so that the whole path fits.
    convert::SaveAllRequest request{std::wstring(150, L'd'), {std::wstring(300, L'n')}, true};
    convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, services, source);
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_LE(outcome.mailboxes[0].pstPath.size(), convert::kMaxPathUnits);
    EXPECT_GE(outcome.mailboxes[0].safeName.size(), 8u);
}

TEST_F(TransferTest, TheRunsMessageFilesNeverTouchAnotherProgramsFiles) {
    const fs::path theirs = m_dir / "tmp" / "1.eml";
    std::ofstream(theirs) << "another program's message";
    UseSource(3);
    convert::CMailboxTransfer transfer(services, source);
    ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"Anna", L"Anna"));
    transfer.ImportMessagesFromSource();
    ASSERT_NE(m_temp->Folder().parent_path(), fs::path());
    EXPECT_NE(m_temp->Folder(), m_dir / "tmp");
    m_temp.reset();  // the run ends: its folder goes, the other file stays
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "tmp"), fs::directory_iterator()), 1);
    std::ifstream in(theirs);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "another program's message");
}

TEST_F(TransferTest, AMessageFileReplacesALongerOneAndAFolderThatIsGoneGivesAReason) {
    std::wstring error;
    ASSERT_FALSE(m_temp->Write(7, std::string(5000, 'x'), error).empty()) << mailbox::ToUtf8(error);
    const std::wstring path = m_temp->Write(7, "short", error);
    ASSERT_FALSE(path.empty()) << mailbox::ToUtf8(error);
    EXPECT_EQ(quillon::ReadMessageFile(mailbox::ToUtf8(path)), "short");
    m_temp->Remove();
    fs::remove(m_temp->Folder());
    EXPECT_TRUE(m_temp->Write(8, "short", error).empty());
    EXPECT_NE(error.find(L"cannot create the message file"), std::wstring::npos);
}

}  // namespace
}  // namespace transfer_test

namespace transfer_test {
namespace {

TEST_F(TransferTest, AMailboxThatFailsIsReportedAndTheRunGoesOnWithTheNext) {
    // A file already at the first mailbox's name: left as it is, never added to.
    UseSource(2);
    const fs::path dest = m_dir / "dest";
    const std::wstring run = convert::JoinPath(dest.wstring(), L"Korvane-EDB-PST6-12-2026 9-5");
    const fs::path existing = fs::path(convert::JoinPath(run, L"Korvane-EDB-PST-Anna6-12-2026 9-5.pst"));
    fs::create_directories(existing.parent_path());
    std::ofstream(existing) << "someone's file";
    convert::SaveAllRequest request{dest.wstring(), {L"Anna", L"Bo"}, false};
    convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, services, source);
    EXPECT_FALSE(outcome.Succeeded());
    ASSERT_EQ(outcome.mailboxes.size(), 2u);
    EXPECT_FALSE(outcome.mailboxes[0].storeCreated);
    EXPECT_NE(outcome.mailboxes[0].problems.at(0).find(L"a file already exists at"), std::wstring::npos);
    EXPECT_TRUE(outcome.mailboxes[1].Succeeded());
    EXPECT_EQ(outcome.mailboxes[1].stored, 2u);
    EXPECT_EQ(fs::file_size(existing), 14u);
}

}  // namespace
}  // namespace transfer_test

namespace transfer_test {
namespace {

// The source is a real file, larger than one read of the scan, that the test
// changes while its fifth message is handed over.
TEST_F(TransferTest, ASourceThatChangesDuringTheRunIsReportedWithItsCounts) {
    const fs::path file = m_dir / "changing.edb";
    services.openSource = [](const std::wstring& path, mailbox::ScanError& error) {
        return mailbox::OpenSourceFile(convert::ToSystemPath(path), error);
    };
    const int headers = 600;
    struct {
        const char* what;
        bool analysed;
        bool allFound;
    } cases[] = {
        {"shrinks", true, false},
        {"shrinks", false, false},
        {"grows", true, true},
        {"touched", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (c.analysed ? ", analysed" : ", analysis skipped"));
        std::ofstream(file, std::ios::binary | std::ios::trunc) << SourceWithHeaders(headers);
        source.path = convert::FromSystemPath(file);
        source.headerCount = c.analysed ? std::optional<uint64_t>(headers) : std::nullopt;
        int handed = 0;
        log = CallLog();
        log.onMessage = [&] {
            if (++handed != 5) return;
            const std::string what = c.what;
            if (what == "shrinks") fs::resize_file(file, 4096 + 8 * 512);
            if (what == "grows") std::ofstream(file, std::ios::binary | std::ios::app) << std::string(4096, 'x');
            if (what == "touched") fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(1));
        };
        convert::CMailboxTransfer transfer(services, source);
        ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"Anna", L"Anna"));
        transfer.ImportMessagesFromSource();
        const convert::MailboxResult& r = transfer.Result();
        EXPECT_EQ(r.found == headers, c.allFound) << r.found;
        EXPECT_EQ(r.stored, r.found);
        EXPECT_FALSE(r.Succeeded());
        const std::wstring text = convert::ResultText(r);
        EXPECT_NE(text.find(L"changed while it was converted"), std::wstring::npos) << mailbox::ToUtf8(text);
        EXPECT_NE(text.find(source.path), std::wstring::npos) << mailbox::ToUtf8(text);
    }
}

// A full disk as the engine meets it: from one write on, every write of the
// store's file fails, and the volume has no room left.
TEST_F(TransferTest, AFullDiskEndsTheRunAtOnceAndTheStoreStaysOpenable) {
    auto plan = std::make_shared<pst_test::FaultyFile::Plan>();
    auto bytes = std::make_shared<pst_test::Bytes>();
    class MemoryStoreFiles final : public quillon::StoreFiles {
    public:
        MemoryStoreFiles(std::shared_ptr<pst_test::Bytes> bytes, std::shared_ptr<pst_test::FaultyFile::Plan> plan)
            : m_bytes(std::move(bytes)), m_plan(std::move(plan)) {}
        bool Exists(const std::string&) override { return !m_bytes->empty(); }
        pst::Result<std::unique_ptr<pst::Store>> Create(const std::string&, const std::string& name) override {
            return pst::Store::Create(Wrap(), name);
        }
        pst::Result<std::unique_ptr<pst::Store>> Open(const std::string&) override { return pst::Store::Open(Wrap()); }

    private:
        std::unique_ptr<pst::File> Wrap() {
            return std::make_unique<pst_test::FaultyFile>(pst_test::InMemory(m_bytes), m_plan);
        }
        std::shared_ptr<pst_test::Bytes> m_bytes;
        std::shared_ptr<pst_test::FaultyFile::Plan> m_plan;
    };
    quillon::StoreRegistry registry(std::make_unique<MemoryStoreFiles>(bytes, plan));
    services.openExchange = [&] { return std::make_unique<components::CDirectMailParser>(registry); };
    services.freeSpace = [&](const std::wstring&) { return std::optional<uint64_t>(plan->failWrite ? 512 : 1u << 30); };
    int handed = 0;
    std::function<void()> fillTheDisk = [&] {
        if (++handed == 4) plan->failWrite = plan->writes + 1;
    };
    class CountingObserver final : public convert::TransferObserver {
    public:
        explicit CountingObserver(std::function<void()> onMessage) : m_onMessage(std::move(onMessage)) {}
        void OnMessage(uint64_t number, std::optional<uint64_t>) override {
            if (number > 0) m_onMessage();
        }

    private:
        std::function<void()> m_onMessage;
    } counting(fillTheDisk);
    services.observer = &counting;
    UseSource(10);
    convert::SaveAllRequest request{L"dest", {L"Anna", L"Bo"}, false};
    convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, services, source);
    EXPECT_TRUE(outcome.destinationFull);
    EXPECT_FALSE(outcome.Succeeded());
    ASSERT_EQ(outcome.mailboxes.size(), 1u) << "the next mailbox was tried";
    const convert::MailboxResult& r = outcome.mailboxes[0];
    EXPECT_EQ(r.found, 4u) << "messages were offered after the disk was full";
    EXPECT_EQ(r.stored, 3u);
    const std::wstring text = convert::ResultText(r);
    EXPECT_NE(text.find(L"is full (512 bytes free)"), std::wstring::npos) << mailbox::ToUtf8(text);
    EXPECT_NE(text.find(L"ended at message 4"), std::wstring::npos) << mailbox::ToUtf8(text);

    registry.Shutdown();
    plan->failWrite = 0;
    auto store = pst::Store::Open(pst_test::InMemory(bytes));
    ASSERT_TRUE(store.IsOk()) << store.Message();
    auto inbox = store.Value()->IpmSubtree().FindSubfolder("Inbox");
    ASSERT_TRUE(inbox.IsOk()) << inbox.Message();
    EXPECT_EQ(inbox->Messages().Value().size(), 3u);
}

TEST_F(TransferTest, NothingOfARunOutlivesIt) {
    // A killed run's folder, with the message it was handing over; its
    // process id is one no system gives out.
    const fs::path parent = m_dir / "tmp";
    const fs::path stale = parent / "korvane-7ffffff1-0a0b0c0d";
    const std::vector<fs::path> kept = {parent / "korvane-0123456789abcdef", parent / "korvane-notes"};
    for (const fs::path& folder : std::vector<fs::path>{stale, kept[0], kept[1]}) {
        fs::create_directories(folder);
        std::ofstream(folder / "3.eml") << "a message";
    }
    std::wstring error;
    auto next = convert::TempMessageFolder::Create(error, parent);
    ASSERT_TRUE(next) << mailbox::ToUtf8(error);
    EXPECT_FALSE(fs::exists(stale));
    for (const fs::path& folder : kept) EXPECT_TRUE(fs::exists(folder / "3.eml")) << folder;
    EXPECT_TRUE(fs::exists(m_temp->Folder())) << "a live run's folder was removed";

    // Between messages no message file has a name, natively (on Windows the
    // one open file is delete-on-close, which a kill cannot leave behind).
    UseSource(3);
    std::vector<size_t> filesBetweenMessages;
    log.onMessage = [&] {
        filesBetweenMessages.push_back(
            static_cast<size_t>(std::distance(fs::directory_iterator(m_temp->Folder()), fs::directory_iterator())));
    };
    convert::CMailboxTransfer transfer(services, source);
    ASSERT_TRUE(transfer.CreateMailboxPst(L"out", L"Anna", L"Anna"));
    transfer.ImportMessagesFromSource();
    EXPECT_EQ(filesBetweenMessages, std::vector<size_t>(3, 1)) << "one file while the component reads";
#ifndef _WIN32
    std::wstring writeError;
    ASSERT_FALSE(m_temp->Write(9, "x", writeError).empty());
    m_temp->MessageDone();
    EXPECT_TRUE(fs::is_empty(m_temp->Folder()));
#endif
}

}  // namespace
}  // namespace transfer_test
