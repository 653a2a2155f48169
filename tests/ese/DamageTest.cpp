// Damaged copies of corpus files: each is refused with a reason, or read with
// the damage named by page while everything else reads as in the sound file.
// None may crash, hang or read back wrong bytes.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "Bytes.h"
#include "Checksum.h"
#include "ese/Database.h"

namespace korvane::ese {
namespace {

std::string Load(const std::string& name) {
    std::ifstream in(std::string(KORVANE_ESE_UNPACKED) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every value of every table, errors included, as one text: what a reader made of the file.
std::string Everything(Database& db, bool& sound) {
    sound = true;
    std::string out;
    for (const Table& table : db.Tables()) {
        out += table.name + "\n";
        sound = db.ForEachRecord(table, [&](const Record& record) {
            for (const Cell& cell : record) {
                for (const Item& item : cell.items) out += item.Ok() ? std::string(item.bytes.begin(), item.bytes.end()) : "!" + item.error;
                out += cell.null ? "~" : "|";
            }
            out += "\n";
            return true;
        }) && sound;
    }
    return out;
}

uint32_t PageSize(const std::string& file) { return Le32(reinterpret_cast<const uint8_t*>(file.data()) + 236); }
uint8_t* PageAt(std::string& file, uint32_t page) {
    return reinterpret_cast<uint8_t*>(&file[(static_cast<size_t>(page) + 1) * PageSize(file)]);
}
uint32_t RootOf(const std::string& file, const std::string& table) {
    std::string error;
    auto db = Database::Open(MemoryFile(file), error);
    return db && db->FindTable(table) ? db->FindTable(table)->rootPage : 0;
}
// The first child of a branch page, from its first node's last four bytes.
uint32_t FirstChild(std::string& file, uint32_t page) {
    const uint8_t* p = PageAt(file, page);
    uint32_t size = PageSize(file), header = size > 8192 ? 80 : 40, mask = size > 8192 ? 0x7FFF : 0x1FFF;
    const uint8_t* tag = p + size - 8;
    return Le32(p + header + (Le16(tag + 2) & mask) + (Le16(tag) & mask) - 4);
}

enum class Outcome { SameValues, Corrected, PageNamed, Refused };

struct Case {
    const char* name;
    const char* file;
    std::function<void(std::string&)> damage;
    Outcome outcome;
    const char* text;  // in the refusal, or in the issue naming the page
};

const Case kCases[] = {
    {"one data bit flipped, corrected by the page's code", "basic.edb",
     [](std::string& f) { PageAt(f, RootOf(f, "basic"))[300] ^= 0x10; }, Outcome::Corrected, "corrected a flipped bit"},
    {"one bit flipped in a 32 KiB page's third block", "large.edb",
     [](std::string& f) { PageAt(f, RootOf(f, "large"))[20000] ^= 0x01; }, Outcome::Corrected, "corrected a flipped bit"},
    {"one bit flipped in the stored error code", "basic.edb",
     [](std::string& f) { PageAt(f, RootOf(f, "basic"))[5] ^= 0x04; }, Outcome::Corrected, "stored checksum"},
    {"two data bits flipped", "basic.edb",
     [](std::string& f) {
         PageAt(f, RootOf(f, "basic"))[300] ^= 0x10;
         PageAt(f, RootOf(f, "basic"))[700] ^= 0x01;
     },
     Outcome::PageNamed, "checksum mismatch"},
    {"a flipped bit in the XOR checksum", "text.edb", [](std::string& f) { PageAt(f, RootOf(f, "text"))[1] ^= 0x80; },
     Outcome::PageNamed, "checksum mismatch"},
    {"a page copied over another, resealed with its new number", "multi.edb",
     [](std::string& f) {
         uint32_t size = PageSize(f), root = RootOf(f, "multi");
         std::copy(PageAt(f, 1), PageAt(f, 1) + size, PageAt(f, root));
         SealPage(PageAt(f, root), size, root);
     },
     Outcome::PageNamed, "belongs to object"},
    {"a branch naming itself as child", "large.edb",
     [](std::string& f) {
         uint32_t size = PageSize(f), root = RootOf(f, "MSysObjects");
         uint8_t* p = PageAt(f, root);
         const uint8_t* tag = p + size - 8;
         uint8_t* child = p + 80 + (Le16(tag + 2) & 0x7FFF) + (Le16(tag) & 0x7FFF) - 4;
         for (int i = 0; i < 4; ++i) child[i] = static_cast<uint8_t>(root >> (8 * i));
         SealPage(p, size, root);
     },
     Outcome::Refused, "itself or a page above it"},
    {"a leaf naming the root of its tree as child", "large.edb",
     [](std::string& f) {
         uint32_t size = PageSize(f), root = RootOf(f, "MSysObjects"), leaf = FirstChild(f, root);
         while (!(Le32(PageAt(f, leaf) + 36) & 0x2)) leaf = FirstChild(f, leaf);
         uint8_t* p = PageAt(f, leaf);
         p[36] = static_cast<uint8_t>((p[36] & ~0x2) | 0x4);  // now a branch whose nodes name pages at random
         SealPage(p, size, leaf);
     },
     Outcome::Refused, "page"},
    {"truncated at a page boundary inside the long values", "test.edb",
     [](std::string& f) { f.resize(41ull * PageSize(f)); }, Outcome::PageNamed, "outside the file"},
    {"truncated to the header and its shadow", "basic.edb", [](std::string& f) { f.resize(2ull * PageSize(f)); },
     Outcome::Refused, "too short"},
    {"zeroed header, sound shadow", "decompress_test.edb",
     [](std::string& f) { std::fill(f.begin(), f.begin() + PageSize(f), '\0'); }, Outcome::SameValues,
     "its shadow copy is used"},
    {"header and shadow zeroed", "basic.edb", [](std::string& f) { std::fill(f.begin(), f.begin() + 8192, '\0'); },
     Outcome::Refused, "no ESE signature"},
    {"header checksum broken, shadow too", "basic.edb",
     [](std::string& f) {
         f[100] ^= 1;
         f[4096 + 100] ^= 1;
     },
     Outcome::Refused, "header checksum mismatch"},
    {"not a database at all", "basic.edb", [](std::string& f) { f.assign(1 << 16, 'x'); }, Outcome::Refused,
     "no ESE signature"},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class DamageTest : public ::testing::TestWithParam<Case> {};

TEST_P(DamageTest, RefusedOrReadAroundNeverWrong) {
    const Case& c = GetParam();
    const std::string sound = Load(c.file);
    ASSERT_FALSE(sound.empty()) << c.file << " is not unpacked";
    std::string error;
    auto reference = Database::Open(MemoryFile(sound), error);
    ASSERT_TRUE(reference) << error;
    bool referenceSound = false;
    const std::string expected = Everything(*reference, referenceSound);
    ASSERT_TRUE(referenceSound);

    std::string damaged = sound;
    c.damage(damaged);
    auto db = Database::Open(MemoryFile(damaged), error);
    if (c.outcome == Outcome::Refused && !db) {
        EXPECT_NE(error.find(c.text), std::string::npos) << error;
        return;
    }
    ASSERT_TRUE(db) << error;
    bool allRead = false;
    const std::string got = Everything(*db, allRead);
    std::string issues;
    for (const Issue& issue : db->Issues()) issues += issue.text + "\n";
    EXPECT_NE(issues.find(c.text), std::string::npos) << issues;
    if (c.outcome == Outcome::SameValues || c.outcome == Outcome::Corrected) {
        EXPECT_TRUE(allRead) << issues;
        EXPECT_EQ(got, expected);
        if (c.outcome == Outcome::Corrected) {
            EXPECT_TRUE(db->Issues().back().corrected);
        }
    } else {
        // What was read around the damage is never other bytes: each line is one of the sound file's lines.
        EXPECT_FALSE(allRead && got == expected) << "the damage went unnoticed";
        std::istringstream lines(got);
        for (std::string line; std::getline(lines, line);) {
            if (line.find('!') != std::string::npos) continue;
            EXPECT_NE(expected.find(line + "\n"), std::string::npos) << "read back wrong: " << line.substr(0, 80);
        }
    }
}

TEST(DirtyDatabase, ReadAsItStandsAndSaysSo) {
    std::string file = Load("basic.edb");
    ASSERT_FALSE(file.empty());
    file[52] = 2;  // dirty shutdown
    SealHeader(reinterpret_cast<uint8_t*>(&file[0]));
    std::string error;
    auto db = Database::Open(MemoryFile(file), error);
    ASSERT_TRUE(db) << error;
    EXPECT_TRUE(db->Header().Dirty());
    EXPECT_EQ(DatabaseStateName(db->Header().state), "dirty");
    uint64_t records = 0;
    EXPECT_TRUE(db->CountRecords(*db->FindTable("basic"), records));
    EXPECT_EQ(records, 2u);
}

INSTANTIATE_TEST_SUITE_P(Copies, DamageTest, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

}  // namespace
}  // namespace korvane::ese
