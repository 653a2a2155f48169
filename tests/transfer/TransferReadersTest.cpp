// Real PST files from the transfer over the component's core, read back by
// readpst, pffexport and pst-extractor: Save All of a generated source with
// names that need making safe, and Save Current with an inbox subfolder.
#include <gtest/gtest.h>

#include <set>

#include "ReaderTools.h"
#include "TestFiles.h"
#include "components/DirectMailParser.h"
#include "pst/Store.h"
#include "quillon/core/StoreRegistry.h"
#include "sample/SampleSource.h"
#include "tests/common/StandardFolders.h"
#include "text/Utf8.h"
#include "transfer/SaveAllRun.h"
#include "transfer/SourceTimeText.h"

namespace {

using namespace pst_test;

class TransferReaders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ReadersInstalled(kAllReaders));
        std::string error;
        m_sourcePath = m_dir.File("priv1.edb");
        ASSERT_TRUE(sample::WriteSample(m_sourcePath, {5, 60, 0, false, 0, 0}, m_expected, error)) << error;
        std::wstring tempError;
        m_temp = convert::TempMessageFolder::Create(tempError);
        ASSERT_TRUE(m_temp);
        m_services.openExchange = [this] { return std::make_unique<components::CDirectMailParser>(m_registry); };
        m_services.openSource = [](const std::wstring& path, mailbox::ScanError& e) {
            return mailbox::OpenSourceFile(std::filesystem::path(path), e);
        };
        m_services.codePage = &mailbox::SystemCodePage();
        m_services.token = &m_neverStop;
        m_services.observer = &m_observer;
        m_services.tempFolder = m_temp.get();
        m_source.path = mailbox::FromUtf8(m_sourcePath);
        m_source.headerCount = m_expected.messageCount;
        m_source.timeText = convert::SourceFileTimeText(m_source.path);
    }

    // Every reader finds `count` messages in `folder` of the file.
    void ExpectMessages(const std::wstring& pstPath, const std::string& folder, size_t count) {
        const std::string path = mailbox::ToUtf8(pstPath);
        SCOPED_TRACE(path);
        std::string log;
        EXPECT_EQ(CountWithReadpst(path, m_dir.Path() / "readpst", log)[folder], count) << log;
        EXPECT_EQ(RunPffexport(path, m_dir.Path() / "pff", log, false)[folder].size(), count) << log;
        Extracted byExtractor = RunPstExtractor(path, m_dir.Path() / "extractor", log);
        EXPECT_EQ(log.find("MISMATCH"), std::string::npos) << log;
        EXPECT_EQ(byExtractor[folder].size(), count);
    }

    TempDir m_dir{"transfer_readers"};
    std::string m_sourcePath;
    sample::Expectation m_expected;
    quillon::StoreRegistry m_registry;
    std::unique_ptr<convert::TempMessageFolder> m_temp;
    mailbox::NeverStop m_neverStop;
    convert::TransferObserver m_observer;
    convert::TransferServices m_services;
    convert::TransferSource m_source;
};

TEST_F(TransferReaders, SaveAllGivesEachMailboxAStoreWithEveryMessage) {
    ASSERT_GT(m_expected.messageCount, 50u);
    convert::SaveAllRequest request{
        mailbox::FromUtf8(m_dir.File("out")), {L"Jane Doe", L"Support \"Helpdesk\"", L"CORP\\Backup Operator"}, false};
    convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, m_services, m_source);
    m_registry.Shutdown();
    ASSERT_TRUE(outcome.Succeeded());
    for (const convert::MailboxResult& r : outcome.mailboxes) {
        EXPECT_EQ(r.stored, m_expected.messageCount);
        EXPECT_EQ(StoreTopFolders(mailbox::ToUtf8(r.pstPath)), standard_folders::Top());
        ExpectMessages(r.pstPath, "Inbox", m_expected.messageCount);
    }
    EXPECT_EQ(convert::FileNamePart(outcome.mailboxes[2].pstPath).substr(0, 36),
              L"Korvane-EDB-PST-CORP_Backup Operator");
}

// As edb2pst converts: batches of messages, each batch one commit.
TEST_F(TransferReaders, BatchedCommitsGiveAStoreEveryReaderReadsWhole) {
    m_services.openExchange = [this] {
        return std::make_unique<components::CDirectMailParser>(m_registry, components::BatchLimits{7, 1u << 20});
    };
    convert::SaveAllRequest request{mailbox::FromUtf8(m_dir.File("batched")), {L"Jane Doe"}, false};
    convert::SaveAllOutcome outcome = convert::SaveAllMailboxes(request, m_services, m_source);
    m_registry.Shutdown();
    ASSERT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.mailboxes[0].stored, m_expected.messageCount);
    ExpectMessages(outcome.mailboxes[0].pstPath, "Inbox", m_expected.messageCount);
}

TEST_F(TransferReaders, SaveCurrentGivesExactlyTheTickedFolders) {
    const std::wstring folder = mailbox::FromUtf8(m_dir.File("current"));
    convert::CMailboxTransfer transfer(m_services, m_source);
    ASSERT_TRUE(transfer.CreateMailboxPst(folder, L"Jane Doe", L"Jane Doe"));
    std::vector<std::wstring> ticked = {L"Jane Doe\\Inbox\\Projects\\", L"Jane Doe\\Calendar"};
    transfer.SaveCheckedFolders(ticked, L"Jane Doe");
    m_registry.Shutdown();
    ASSERT_TRUE(transfer.Result().Succeeded());
    EXPECT_EQ(StoreTopFolders(mailbox::ToUtf8(transfer.Result().pstPath)),
              (std::set<std::string>{"Calendar", "Deleted Items", "Inbox"}));
    ExpectMessages(transfer.Result().pstPath, "Inbox/Projects", m_expected.messageCount);
}

}  // namespace
