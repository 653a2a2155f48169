// make_ese_db CASE OUT_DIR: writes OUT_DIR/CASE.edb and OUT_DIR/CASE.json (what
// a reader must find in it). make_ese_db --list names the cases.
// make_ese_db --checksums FILE: recomputes every page checksum of an existing
// file (say, one the real engine wrote) and counts the pages that differ.
#include "EseInternal.h"
#include "Exchange.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>

using namespace esewriter;

namespace {

std::vector<FolderSpec> StandardFolders(const std::string& inboxName, uint32_t inboxMessages) {
    return {{"Top of Information Store",
             "",
             0,
             {{inboxName, "IPF.Note", inboxMessages, {{"Projects", "IPF.Note", 2, {}}}},
              {"Sent Items", "IPF.Note", 1, {}},
              {"Deleted Items", "IPF.Note", 0, {}},
              {"Calendar", "IPF.Appointment", 2, {}},
              {"Contacts", "IPF.Contact", 1, {}},
              {"Tasks", "IPF.Task", 0, {}},
              {"Notes", "IPF.StickyNote", 0, {}},
              {"Journal", "IPF.Journal", 0, {}}}}};
}

FolderSpec DeepChain(int depth) {
    FolderSpec top{"Level 1", "IPF.Note", 1, {}};
    FolderSpec* at = &top;
    for (int level = 2; level <= depth; ++level) {
        at->children.push_back({"Level " + std::to_string(level), "IPF.Note", level % 3 == 0 ? 1u : 0u, {}});
        at = &at->children.back();
    }
    return top;
}

FolderSpec Wide(int count) {
    FolderSpec parent{"Archive", "IPF.Note", 0, {}};
    for (int i = 1; i <= count; ++i) {
        parent.children.push_back(
            {"Archive " + std::to_string(i), i % 2 ? "IPF.Note" : "", static_cast<uint32_t>(i % 4), {}});
    }
    return parent;
}

// Names beyond Latin-1, beyond the BMP, and right-to-left.
std::vector<MailboxSpec> UnicodeMailboxes(uint32_t first) {
    std::vector<MailboxSpec> boxes = {
        {first, "Jane Doe", StandardFolders("Inbox", 3)},
        {first + 1, u8"Łukasz Żółć", StandardFolders(u8"Odebrane – Łódź", 2)},
        {first + 2, u8"山田 太郎", StandardFolders(u8"受信トレイ", 1)},
        {first + 3, u8"Fox 🦊 Owner", StandardFolders(u8"Inbox 📬", 2)},
        {first + 4, u8"مريم", StandardFolders(u8"البريد الوارد", 0)},
        {first + 5, "Empty Mailbox", {}},
    };
    return boxes;
}

ExchangeSpec Case(const std::string& name) {
    ExchangeSpec spec;
    if (name == "exchange-2003") {
        spec.schema = Schema::Exchange2003;
        spec.mailboxes = UnicodeMailboxes(1);
        spec.mailboxes[1].damagedLinks = true;
    } else if (name == "exchange-2007") {
        spec.schema = Schema::Exchange2007;
        spec.seed = 7;
        spec.mailboxes = UnicodeMailboxes(1);
        spec.mailboxes[0].folders[0].children.push_back(DeepChain(60));
        spec.mailboxes[0].folders[0].children.push_back(Wide(400));
    } else if (name == "exchange-2010") {
        spec.schema = Schema::Exchange2010;
        spec.seed = 10;
        spec.mailboxes = UnicodeMailboxes(101);
        spec.mailboxes[1].folders[0].children.push_back(Wide(300));
    } else if (name == "exchange-2013") {
        spec.schema = Schema::Exchange2013;
        spec.seed = 13;
        spec.dirty = true;
        spec.mailboxes = UnicodeMailboxes(201);
        spec.mailboxes[2].folders[0].children.push_back(DeepChain(80));
        spec.mailboxes[4].damagedLinks = true;
        spec.mailboxes[3].folders[0].children.push_back(Wide(250));
    } else if (name == "mailboxes-10000") {
        spec.schema = Schema::Exchange2003;
        spec.seed = 10000;
        for (uint32_t n = 1; n <= 10000; ++n) {
            spec.mailboxes.push_back({n,
                                      "User " + std::to_string(n),
                                      {{"Top of Information Store", "", 0, {{"Inbox", "IPF.Note", 0, {}}}}}});
        }
    } else {
        throw std::runtime_error("no case named " + name);
    }
    return spec;
}

const char* const kCases[] = {"exchange-2003", "exchange-2007", "exchange-2010", "exchange-2013", "mailboxes-10000"};

int VerifyChecksums(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 8192) throw std::runtime_error(path + ": too short");
    const uint32_t pageSize = static_cast<uint32_t>(detail::GetLittle(&file[236], 4));
    size_t checked = 0, wrong = 0;
    if (detail::HeaderChecksum(file.data(), pageSize) != detail::GetLittle(file.data(), 4)) ++wrong;
    for (size_t at = 2 * static_cast<size_t>(pageSize); at + pageSize <= file.size(); at += pageSize) {
        Bytes page(file.begin() + at, file.begin() + at + pageSize);
        if (std::all_of(page.begin(), page.end(), [](uint8_t b) { return b == 0; })) continue;
        const uint32_t number = static_cast<uint32_t>(at / pageSize - 1);
        Bytes resealed = page;
        detail::SealPage(resealed.data(), pageSize, number);
        ++checked;
        if (resealed != page) {
            ++wrong;
            if (wrong <= 5) std::fprintf(stderr, "%s: page %u: checksum differs\n", path.c_str(), number);
        }
    }
    std::printf("%s: %zu pages, %zu checksums differ\n", path.c_str(), checked, wrong);
    return wrong ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 2 && std::string(argv[1]) == "--list") {
            for (const char* name : kCases) std::printf("%s\n", name);
            return 0;
        }
        if (argc == 3 && std::string(argv[1]) == "--checksums") return VerifyChecksums(argv[2]);
        if (argc != 3) {
            std::fprintf(stderr, "usage: make_ese_db CASE OUT_DIR | --list | --checksums FILE\n");
            return 2;
        }
        const std::string name = argv[1], dir = argv[2];
        ExchangeSpec spec = Case(name);
        Database db = BuildExchangeDatabase(spec);
        WriteDatabaseFile(db, dir + "/" + name + ".edb");
        std::ofstream json(dir + "/" + name + ".json", std::ios::trunc);
        json << DescribeJson(spec, db);
        if (!json.flush()) throw std::runtime_error("cannot write " + dir + "/" + name + ".json");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_ese_db: %s\n", e.what());
        return 1;
    }
}
