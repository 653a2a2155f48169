#pragma once
// Runs the independent readers on a file and gathers what they extracted, per
// folder: readpst (Debian's pst-utils), pffexport (Debian's pff-tools) and
// pst-extractor (npm, installed by the test command).

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pst/Store.h"

namespace pst_test {

struct ExtractedMessage {
    std::string text;                                // readpst: the whole message; pffexport: OutlookHeaders.txt
    std::string body;                                // pffexport only: Message.txt
    std::map<std::string, std::string> attachments;  // file name -> bytes
};

// Folder path below the store's top ("Inbox/Projects") -> its messages.
using Extracted = std::map<std::string, std::vector<ExtractedMessage>>;

inline std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    return pclose(pipe);
}

inline bool ToolAvailable(const char* name) {
    std::string out;
    return RunCommand(std::string("command -v ") + name, out) == 0;
}

// readpst -S: one file per message, attachments beside it as "<n>-<name>".
// -j 0: readpst's parallel jobs skip a random few messages of large folders
// when writing separate files (a race of its own, seen on files that the
// serial run and pffexport read whole), so it runs serially here.
inline Extracted RunReadpst(const std::string& pst, const std::filesystem::path& out, std::string& log) {
    namespace fs = std::filesystem;
    fs::remove_all(out);
    fs::create_directories(out);
    Extracted result;
    if (RunCommand("readpst -j 0 -D -S -8 -o '" + out.string() + "' '" + pst + "'", log) != 0) return result;
    for (const auto& store : fs::directory_iterator(out)) {
        if (!store.is_directory()) continue;
        for (const auto& entry : fs::recursive_directory_iterator(store.path())) {
            if (!entry.is_regular_file()) continue;
            std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::string folder = fs::relative(entry.path().parent_path(), store.path()).generic_string();
            ExtractedMessage m;
            m.text = Slurp(entry.path());
            for (const auto& sibling : fs::directory_iterator(entry.path().parent_path())) {
                std::string s = sibling.path().filename().string();
                if (s.compare(0, name.size() + 1, name + "-") == 0)
                    m.attachments[s.substr(name.size() + 1)] = Slurp(sibling.path());
            }
            result[folder].push_back(std::move(m));
        }
    }
    return result;
}

// readpst -r: one mbox per folder; only the message count per folder. Much
// lighter than RunReadpst for files checked many times over.
inline std::map<std::string, size_t> CountWithReadpst(const std::string& pst, const std::filesystem::path& out,
                                                      std::string& log) {
    namespace fs = std::filesystem;
    fs::remove_all(out);
    fs::create_directories(out);
    std::map<std::string, size_t> counts;
    if (RunCommand("readpst -j 0 -D -r -o '" + out.string() + "' '" + pst + "'", log) != 0) return counts;
    for (const auto& store : fs::directory_iterator(out))
        for (const auto& entry : fs::recursive_directory_iterator(store.path())) {
            if (!entry.is_regular_file() || entry.path().filename() != "mbox") continue;
            std::string text = Slurp(entry.path());
            size_t n = text.compare(0, 5, "From ") == 0 ? 1 : 0;
            for (size_t at = text.find("\nFrom "); at != std::string::npos; at = text.find("\nFrom ", at + 1)) ++n;
            counts[fs::relative(entry.path().parent_path(), store.path()).generic_string()] = n;
        }
    return counts;
}

// pffexport: <out>.export/Top of Personal Folders/<folders>/MessageNNNNN/...
inline Extracted RunPffexport(const std::string& pst, const std::filesystem::path& out, std::string& log,
                              bool withBodies = true) {
    namespace fs = std::filesystem;
    fs::path exported = out.string() + ".export";
    fs::remove_all(exported);
    Extracted result;
    if (RunCommand("pffexport -q -m items -f " + std::string(withBodies ? "all" : "text") + " -t '" + out.string() +
                       "' '" + pst + "'",
                   log) != 0)
        return result;
    fs::path top = exported / "Top of Personal Folders";
    if (!fs::exists(top)) return result;
    for (const auto& entry : fs::recursive_directory_iterator(top)) {
        if (!entry.is_directory() || entry.path().filename().string().compare(0, 7, "Message") != 0) continue;
        if (!fs::exists(entry.path() / "OutlookHeaders.txt")) continue;
        std::string folder = fs::relative(entry.path().parent_path(), top).generic_string();
        ExtractedMessage m;
        m.text = Slurp(entry.path() / "OutlookHeaders.txt");
        m.body = Slurp(entry.path() / "Message.txt");
        fs::path attachments = entry.path() / "Attachments";
        if (fs::exists(attachments))
            for (const auto& a : fs::directory_iterator(attachments)) {
                std::string s = a.path().filename().string();
                m.attachments[s.substr(s.find('_') + 1)] = Slurp(a.path());
            }
        result[folder].push_back(std::move(m));
    }
    return result;
}

inline std::string DecodeBase64(const std::string& text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        int digit = c >= 'A' && c <= 'Z'   ? c - 'A'
                    : c >= 'a' && c <= 'z' ? c - 'a' + 26
                    : c >= '0' && c <= '9' ? c - '0' + 52
                    : c == '+'             ? 62
                    : c == '/'             ? 63
                                           : -1;
        if (digit < 0) continue;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((value >> bits) & 0xFF));
        }
    }
    return out;
}

inline std::filesystem::path PstExtractorModules() { return KORVANE_NODE_MODULES; }

inline bool PstExtractorAvailable() {
    return ToolAvailable("node") && std::filesystem::exists(PstExtractorModules() / "pst-extractor");
}

// The readers a test reads its files with. The test command installs them all,
// so a missing one fails the test that needs it, before the test starts:
// a check that did not run must not pass for one that did.
enum Readers { kReadpst = 1, kPffexport = 2, kPstExtractor = 4, kDebianReaders = 3, kAllReaders = 7 };

inline ::testing::AssertionResult ReadersInstalled(int readers) {
    std::string missing;
    if ((readers & kReadpst) && !ToolAvailable("readpst")) missing += " readpst (Debian's pst-utils)";
    if ((readers & kPffexport) && !ToolAvailable("pffexport")) missing += " pffexport (Debian's pff-tools)";
    if ((readers & kPstExtractor) && !PstExtractorAvailable())
        missing += " pst-extractor (scripts/test.sh installs it into build/node)";
    if (missing.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not installed:" << missing;
}

// The folders at the top of the store as the engine lists them, to set beside the readers' lists.
inline std::set<std::string> StoreTopFolders(const std::string& pst) {
    std::set<std::string> top;
    auto store = pst::Store::Open(pst);
    EXPECT_TRUE(store.IsOk()) << store.Message();
    if (!store.IsOk()) return top;
    auto folders = store.Value()->IpmSubtree().Subfolders();
    EXPECT_TRUE(folders.IsOk());
    if (folders.IsOk())
        for (const pst::Folder& folder : folders.Value()) top.insert(folder.Info()->name);
    return top;
}

// pst-extractor through tests/pst/extractor/dump.js: subject, sender, body and
// attachments of every message below the store's top. It also fails (non-empty
// log with "MISMATCH") when a folder's count and its table rows disagree, which
// this reader relies on.
inline Extracted RunPstExtractor(const std::string& pst, const std::filesystem::path& out, std::string& log) {
    namespace fs = std::filesystem;
    fs::create_directories(out);
    fs::path listing = out / "extractor.txt";
    Extracted result;
    RunCommand("NODE_PATH='" + PstExtractorModules().string() + "' node '" KORVANE_PST_EXTRACTOR_SCRIPT "' '" + pst +
                   "' >'" + listing.string() + "'",
               log);
    std::ifstream in(listing);
    std::string kind, folder, text, body;
    ExtractedMessage* last = nullptr;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        fields >> kind;
        if (kind == "M") {
            folder.clear(), text.clear(), body.clear();
            fields >> folder >> text >> body;
            ExtractedMessage m;
            m.text = DecodeBase64(text);
            m.body = DecodeBase64(body);
            auto& list = result[DecodeBase64(folder)];
            list.push_back(std::move(m));
            last = &list.back();
        } else if (kind == "A" && last) {
            std::string name, bytes;
            fields >> name >> bytes;
            last->attachments[DecodeBase64(name)] = DecodeBase64(bytes);
        }
    }
    return result;
}

inline bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

}  // namespace pst_test
