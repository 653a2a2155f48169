// A store as [MS-PST]'s minimal store describes it, checked on the bytes:
// the mandatory nodes, the folders with their required properties, the root
// folder's three hierarchy rows, times on every folder and message, sizes by
// the engine's one rule (the data bytes of every block the object's node
// owns), and every contents-table row equal to its message's own values.
// Checked on a new store, an empty store after reopening, and a store with
// messages, long subjects and subject prefixes among them.

#include <gtest/gtest.h>

#include <functional>

#include "FormatChecker.h"
#include "LtpView.h"
#include "TestFiles.h"

using namespace pst_test;

namespace {

constexpr uint32_t kDisplayName = 0x3001001F, kContentCount = 0x36020003, kUnreadCount = 0x36030003,
                   kSubfolders = 0x360A000B, kCreationTime = 0x30070040, kModificationTime = 0x30080040,
                   kMessageSize = 0x0E080003, kAttachSize = 0x0E200003, kSubject = 0x0037001F,
                   kSubjectPrefix = 0x003D001F, kNormalizedSubject = 0x0E1D001F;

std::string Utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}
std::string Text(const PropertyMap& p, uint32_t tag) {
    auto it = p.find(tag);
    return it == p.end() ? "<absent>" : std::string(it->second.begin(), it->second.end());
}
uint32_t Int(const PropertyMap& p, uint32_t tag) {
    auto it = p.find(tag);
    return it == p.end() || it->second.size() < 4
               ? 0xFFFFFFFF
               : it->second[0] | it->second[1] << 8 | it->second[2] << 16 | static_cast<uint32_t>(it->second[3]) << 24;
}

void ExpectMinimalStore(const Bytes& file, FormatChecker::Ending ending, const std::string& stage) {
    FormatChecker checker(file, ending);
    for (const auto& p : checker.Problems()) ADD_FAILURE() << stage << ": " << p;
    LtpView ltp(checker);
    const auto& nodes = checker.Nodes();
    for (uint32_t nid : {0x21u, 0x61u, 0x122u, 0x12Du, 0x12Eu, 0x12Fu, 0x1E1u, 0x201u, 0x261u, 0x60Du, 0x60Eu, 0x60Fu,
                         0x610u, 0x671u, 0x692u, 0x2223u, 0x222Du, 0x222Eu, 0x222Fu})
        EXPECT_TRUE(nodes.count(nid)) << stage << ": mandatory node " << std::hex << nid << " missing";

    PropertyMap store = ltp.Properties(0x21);
    EXPECT_EQ(16u, store[0x0FF90102].size()) << stage << ": record key";
    std::vector<uint32_t> named;  // IPM subtree, Deleted Items, Search Root
    for (uint32_t tag : {0x35E00102u, 0x35E30102u, 0x35E70102u}) {
        ASSERT_EQ(24u, store[tag].size()) << stage << ": entry id " << std::hex << tag;
        uint32_t nid = Int(PropertyMap{{0, Value(store[tag].begin() + 20, store[tag].end())}}, 0);
        EXPECT_TRUE(nodes.count(nid)) << stage << ": entry id names a missing folder";
        named.push_back(nid);
    }
    std::vector<uint32_t> rootRows;
    for (const auto& row : ltp.Rows(0x12D)) rootRows.push_back(row.first);
    EXPECT_EQ((std::vector<uint32_t>{0x2223, named[0], named[2]}), rootRows) << stage << ": root hierarchy rows";
    EXPECT_EQ(Utf16("SPAM Search Folder 2"), Text(ltp.Properties(0x2223), kDisplayName)) << stage;

    for (const auto& node : nodes) {
        uint32_t nid = node.first, type = nid & 0x1F;
        if (type == 0x02 || type == 0x03) {
            PropertyMap folder = ltp.Properties(nid);
            for (uint32_t tag :
                 {kDisplayName, kContentCount, kUnreadCount, kSubfolders, kCreationTime, kModificationTime})
                EXPECT_TRUE(folder.count(tag)) << stage << ": folder " << std::hex << nid << " lacks " << tag;
            for (uint32_t table : {0x0Du, 0x0Eu, 0x0Fu})
                EXPECT_TRUE(nodes.count((nid & ~0x1Fu) | table)) << stage << ": table of folder " << std::hex << nid;
            if (type == 0x03) continue;
            auto rows = ltp.Rows((nid & ~0x1Fu) | 0x0E);
            EXPECT_EQ(rows.size(), Int(folder, kContentCount)) << stage << ": rows of folder " << std::hex << nid;
            for (const auto& row : rows) {
                PropertyMap message = ltp.Properties(row.first);
                for (const auto& cell : row.second) {
                    if ((cell.first >> 16) >= 0x67F2) continue;  // the row id and version
                    EXPECT_TRUE(message[cell.first] == cell.second)
                        << stage << ": row of message " << std::hex << row.first << " differs in " << cell.first;
                }
                for (uint32_t tag : {kSubject, kMessageSize, kModificationTime, 0x0E070003u})
                    EXPECT_TRUE(row.second.count(tag))
                        << stage << ": row of message " << std::hex << row.first << " lacks " << tag;
            }
        } else if (type == 0x04) {
            PropertyMap message = ltp.Properties(nid);
            EXPECT_TRUE(message.count(kCreationTime) && message.count(kModificationTime)) << stage << ": times";
            EXPECT_EQ(checker.ReachableBytes(node.second.first) + checker.ReachableBytes(node.second.second),
                      Int(message, kMessageSize))
                << stage << ": size of message " << std::hex << nid;
            if (!ltp.HasSubnode(nid, 0x671)) continue;
            for (const auto& row : ltp.Rows(nid, 0x671)) {
                auto blocks = ltp.Subnode(nid, row.first);
                uint64_t stored = checker.ReachableBytes(blocks.first) + checker.ReachableBytes(blocks.second);
                EXPECT_EQ(stored, Int(ltp.Properties(nid, row.first), kAttachSize)) << stage << ": attachment size";
                EXPECT_EQ(stored, Int(row.second, kAttachSize)) << stage << ": attachment row";
            }
        }
    }
}

}  // namespace

TEST(MinimalStore, NewEmptyAndFilledStoresHoldWhatTheFormatRequires) {
    auto data = std::make_shared<Bytes>();
    auto store = pst::Store::Create(InMemory(data), "Minimal");
    ASSERT_TRUE(store.IsOk());
    ExpectMinimalStore(*data, FormatChecker::Ending::NotClosed, "new store");
    ASSERT_TRUE(store.Value()->Close().IsOk());
    store = pst::Store::Open(InMemory(data));
    ASSERT_TRUE(store.IsOk());
    ExpectMinimalStore(*data, FormatChecker::Ending::Closed, "empty store reopened");

    auto inbox = store.Value()->IpmSubtree().CreateSubfolder("Inbox");
    std::vector<std::string> subjects = {std::string(4000, 'L'), "RE:x", "RE:  x", "Fwd: Status", "Plain"};
    for (size_t i = 0; i < 60; ++i) {
        pst::MessageData m = SampleMessage(static_cast<int>(i), 200 + 900 * (i % 11), i % 4 ? 0 : 5000 + 3000 * i);
        if (i < subjects.size()) m.subject = subjects[i];
        if (i == 5) m.submitTime = m.deliveryTime = 0;  // no date given: the time of writing
        for (size_t r = 0; i == 6 && r < 60; ++r)       // recipient rows past one heap allocation
            m.recipients.push_back({pst::RecipientType::To, "Person " + std::to_string(r), "p@example.com"});
        if (i == 7) {  // values just under the heap limit: the message's own heap spans blocks
            m.bodyText.assign(3500, 'b');
            m.bodyHtml.assign(3500, 'h');
            m.transportHeaders.assign(3500, 't');
        }
        ASSERT_TRUE(inbox->AddMessage(m).IsOk());
    }
    ExpectMinimalStore(*data, FormatChecker::Ending::NotClosed, "store with messages");

    FormatChecker checker(*data, FormatChecker::Ending::NotClosed);
    LtpView ltp(checker);
    auto messages = inbox->Messages();
    ASSERT_TRUE(messages.IsOk());
    struct Split {
        const char* prefix;
        const char* normalized;
    } splits[] = {{"<absent>", nullptr}, {"RE:", "x"}, {"RE:  ", "x"}, {"Fwd: ", "Status"}, {"<absent>", "Plain"}};
    for (size_t i = 0; i < subjects.size(); ++i) {
        PropertyMap m = ltp.Properties((*messages)[i].id);
        EXPECT_EQ(Utf16(subjects[i]), Text(m, kSubject));
        EXPECT_EQ(subjects[i], (*messages)[i].data.subject);
        EXPECT_EQ(splits[i].prefix[0] == '<' ? splits[i].prefix : Utf16(splits[i].prefix), Text(m, kSubjectPrefix))
            << i;
        if (splits[i].normalized) {
            EXPECT_EQ(Utf16(splits[i].normalized), Text(m, kNormalizedSubject)) << i;
        }
    }
}
