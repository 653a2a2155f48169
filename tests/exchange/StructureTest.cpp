// Exchange-shaped databases from the test writer, read back through the ESE
// reader: the schema family, the mailboxes in key order and every folder
// with its path, class and count equal what the writer was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <tuple>

#include "Exchange.h"
#include "ese/File.h"
#include "exchange/Structure.h"

namespace {

namespace ex = korvane::exchange;
using esewriter::FolderSpec;
using esewriter::MailboxSpec;
using esewriter::Schema;
using FolderRow = std::tuple<std::string, std::string, uint64_t>;  // path, class ("-" for none), messages

ex::Structure Read(const esewriter::Database& written) {
    esewriter::Bytes bytes = esewriter::WriteDatabase(written);
    std::string error;
    auto db = korvane::ese::Database::Open(korvane::ese::MemoryFile(std::string(bytes.begin(), bytes.end())), error);
    EXPECT_TRUE(db) << error;
    if (!db) return {};
    ex::Structure structure = ex::ReadStructure(*db);
    EXPECT_TRUE(db->Issues().empty()) << db->Issues()[0].text;
    return structure;
}

ex::Structure Read(const esewriter::ExchangeSpec& spec) { return Read(esewriter::BuildExchangeDatabase(spec)); }

void Expect(const std::vector<FolderSpec>& folders, const std::string& prefix, std::multiset<FolderRow>& out) {
    for (const FolderSpec& f : folders) {
        const std::string path = prefix.empty() ? f.name : prefix + "/" + f.name;
        out.insert({path, f.containerClass.empty() ? "-" : f.containerClass, f.messages});
        Expect(f.children, path, out);
    }
}

std::multiset<FolderRow> Found(const ex::Mailbox& mailbox) {
    std::multiset<FolderRow> out;
    for (const ex::Folder& f : mailbox.folders)
        if (!f.path.empty()) out.insert({f.path, f.containerClass.value_or("-"), f.messages.value_or(UINT64_MAX)});
    return out;
}

FolderSpec Mail(std::string name, uint32_t messages, std::vector<FolderSpec> children = {}) {
    return {std::move(name), "IPF.Note", messages, std::move(children)};
}

std::vector<FolderSpec> Store(std::string inbox, std::vector<FolderSpec> more = {}) {
    std::vector<FolderSpec> below = {Mail(std::move(inbox), 3, {Mail("Projects", 2)}), Mail("Sent Items", 1),
                                     {"Calendar", "IPF.Appointment", 2}, {"Notes", "", 0}};
    below.insert(below.end(), more.begin(), more.end());
    return {{"Top of Information Store", "", 0, below}};
}

FolderSpec Chain(int depth) {
    FolderSpec top = Mail("Level " + std::to_string(depth), depth % 3);
    for (int level = depth - 1; level >= 1; --level) top = Mail("Level " + std::to_string(level), 0, {top});
    return top;
}

FolderSpec Wide(int count) {
    FolderSpec archive = Mail("Archive", 0);
    for (int i = 0; i < count; ++i) archive.children.push_back({"Box " + std::to_string(i), i % 2 ? "" : "IPF.Note", 1});
    return archive;
}

std::vector<MailboxSpec> Owners(uint32_t first, std::vector<FolderSpec> extra) {
    return {{first, "Jane Doe", Store("Inbox", std::move(extra))},
            {first + 1, u8"Łukasz Żółć", Store(u8"Odebrane – Łódź")},
            {first + 2, u8"山田 太郎", Store(u8"受信トレイ")},
            {first + 3, u8"Fox 🦊 Owner", Store(u8"Inbox 📬")},
            {first + 4, u8"مريم", Store(u8"البريد الوارد")},
            {first + 5, "Empty Mailbox", {}}};
}

TEST(ExchangeStructure, BothFamiliesListWhatTheWriterWasGiven) {
    const struct {
        Schema schema;
        const char* name;
        bool dirty;
        uint32_t firstNumber;
        std::vector<FolderSpec> extra;  // below the first mailbox's Top of Information Store
    } cases[] = {
        {Schema::Exchange2003, "exchange-2003", false, 1, {}},
        {Schema::Exchange2007, "exchange-2007", false, 1, {Chain(60), Wide(400)}},
        {Schema::Exchange2010, "exchange-2010", false, 101, {Wide(300)}},
        {Schema::Exchange2013, "exchange-2013+", true, 201, {Chain(80), Wide(250)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        esewriter::ExchangeSpec spec{c.schema, Owners(c.firstNumber, c.extra), c.dirty, c.firstNumber * 7};
        ex::Structure read = Read(spec);
        EXPECT_STREQ(ex::SchemaName(read.recognition.schema), c.name);
        EXPECT_EQ(read.dirty, c.dirty);
        EXPECT_TRUE(read.problems.empty());
        ASSERT_EQ(read.mailboxes.size(), spec.mailboxes.size());
        for (size_t m = 0; m < spec.mailboxes.size(); ++m) {
            const ex::Mailbox& box = read.mailboxes[m];
            SCOPED_TRACE(box.name);
            EXPECT_EQ(box.number, spec.mailboxes[m].number);
            EXPECT_EQ(box.name, spec.mailboxes[m].owner);
            EXPECT_EQ(box.guid.size(), 36u);
            std::multiset<FolderRow> expected;
            Expect(spec.mailboxes[m].folders, "", expected);
            EXPECT_EQ(Found(box), expected);
            EXPECT_TRUE(box.problems.empty()) << box.problems[0];
            uint64_t messages = 0;
            for (const FolderRow& row : expected) messages += std::get<2>(row);
            EXPECT_EQ(box.messages, messages);
        }
        // The standard folders by their English names where the schema marks no role: a localised Inbox is missed.
        std::string roles;
        for (const ex::Folder& f : read.mailboxes[1].folders) roles += std::string(ex::FolderRoleName(f.role)) + ",";
        EXPECT_EQ(roles, "root,top_of_information_store,calendar,notes,,,sent_items,");
        const std::vector<ex::Folder>& first = read.mailboxes[0].folders;
        EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](const ex::Folder& f) {
            return f.path == "Top of Information Store/Inbox" && f.role == ex::FolderRole::Inbox;
        }));
    }
}

// Where the folder table has SpecialFolderNumber, the role is the store's,
// whatever the folder's name: a localised Inbox is still the inbox, and a
// folder merely named "Inbox" is not.
TEST(ExchangeStructure, RolesFromSpecialFolderNumbers) {
    esewriter::ExchangeSpec spec{Schema::Exchange2013,
                                 {{5, "Kenji", Store(u8"受信トレイ", {Mail("Inbox", 0)})}}, false, 3};
    esewriter::Database written = esewriter::BuildExchangeDatabase(spec);
    esewriter::Table& folders = written.tables[1];
    folders.columns.push_back({3, "SpecialFolderNumber", esewriter::ColumnType::Short});
    const std::pair<std::string, uint16_t> numbers[] = {
        {"", 1}, {"Top of Information Store", 2}, {u8"受信トレイ", 3}, {"Sent Items", 5}};
    for (esewriter::Row& row : folders.rows)
        for (const auto& [name, number] : numbers)
            if (row.cells[3].value == esewriter::Utf16(name))
                row.cells.push_back({3, esewriter::LittleEndian(number, 2)});
    ex::Structure read = Read(written);
    ASSERT_EQ(read.mailboxes.size(), 1u);
    std::map<std::string, std::string> roles;
    for (const ex::Folder& f : read.mailboxes[0].folders) roles[f.path] = ex::FolderRoleName(f.role);
    EXPECT_EQ(roles[""], "root");
    EXPECT_EQ(roles["Top of Information Store"], "top_of_information_store");
    EXPECT_EQ(roles[u8"Top of Information Store/受信トレイ"], "inbox");
    EXPECT_EQ(roles["Top of Information Store/Sent Items"], "sent_items");
    EXPECT_EQ(roles["Top of Information Store/Inbox"], "");
    EXPECT_EQ(roles["Top of Information Store/Calendar"], "");
}

// The whole read visits each row once and follows each link a bounded number
// of times; the time is printed for the record, never asserted.
TEST(ExchangeStructure, TenThousandMailboxesInLinearWork) {
    esewriter::ExchangeSpec spec{Schema::Exchange2003, {}, false, 10000};
    for (uint32_t n = 1; n <= 10000; ++n)
        spec.mailboxes.push_back({n, "User " + std::to_string(n), {{"Top of Information Store", "", 0, {Mail("Inbox", 0)}}}});
    const auto start = std::chrono::steady_clock::now();
    ex::Structure read = Read(spec);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(read.mailboxes.size(), 10000u);
    EXPECT_EQ(read.mailboxes[9999].name, "User 10000");
    EXPECT_EQ(read.mailboxes[9999].folders.size(), 3u);
    const uint64_t rows = 10000 + 3 * 10000;
    EXPECT_LE(read.steps, 3 * rows);
    std::printf("[ benchmark ] 10,000 mailboxes, 30,000 folders: written and read in %.2f s, %llu steps\n", seconds,
                static_cast<unsigned long long>(read.steps));
}

}  // namespace
