// The scan rules on small files whose results are written out by hand: what
// the first page, block ends, the name and subject rules and the code page
// make of each marker.
#include <gtest/gtest.h>

#include "MemorySource.h"
#include "scan/HeaderScan.h"
#include "scan/MailboxNames.h"
#include "scan/MailboxScan.h"
#include "scan/SubjectText.h"
#include "text/CodePage.h"

using namespace scantest;
using mailbox::Windows1252;

namespace {

struct ScanCase {
    const char* what;
    size_t length;
    std::vector<Placed> parts;
    std::vector<std::wstring> mailboxes;
    uint64_t headerCount;
    std::vector<std::wstring> subjects;
};

std::string Name(const std::string& rest) { return kMarker + rest + kZero; }
std::string Header(const std::string& rest) { return "Content-Type" + rest + kZero; }

const ScanCase kScanCases[] = {
    {"the first 4 KiB is never scanned, a marker ending at offset 4095 included",
     8192,
     {{100, Name("xyzEarly")}, {4084, "Content-Type"}, {4089 - 20, kMarker}},
     {},
     0,
     {}},
    {"markers across a block end are not found",
     16384,
     {{8192 - 3, Name("xyzAcross")}, {8192 + 100, kMarker.substr(0, 5)}, {12288 - 6, "Content-Type"}},
     {},
     0,
     {}},
    {"markers at the last position that fits in a block are found", 12288, {{8192 - 12, "Content-Type"}}, {}, 1, {L""}},
    {"a name and a header text run to the end of the block without a zero byte",
     16384,
     {{8192 - 12, kMarker + "xyzLo"},
      {8192, "ngName" + kZero},
      {12288 - 43, "Content-Type: a; filename=\"x.txt\"; size=\"12"},
      {12288, "\"" + kZero}},
     {L"Lo"},
     1,
     {L" x.txt ; size="}},
    {"the same header ending in a zero byte keeps its last quote",
     8192,
     {{4096 + 10, Header(": a; filename=\"x.txt\"; size=\"12\"")}},
     {},
     1,
     {L" x.txt ; size= 12"}},
    {"trim set, three dropped characters, empty names skipped",
     8192,
     {{4200, Name("xyzMailbox")},
      {4300, Name("bobAlice")},
      {4400, Name("")},
      {4500, Name("ab")},
      {4600, Name("abc")},
      {4700, kMarker + Name("xyzTwice")}},
     {L"Mailbox", L"lice", L"Twice"},
     0,
     {}},
    {"names equal but for letter case give one row, the first found",
     12288,
     {{4200, Name("xyzJane Doe")},
      {4300, Name("xyzJANE DOE")},
      {5000, Name("xyzjos\xE9")},
      {9000, Name("XYZJOS\xC9")},
      {9100, Name("xyzjane doe ")}},
     {L"Jane Doe", L"jos\u00E9", L"jane doe "},
     0,
     {}},
    {"a file of 4096 bytes has nothing to scan",
     4096,
     {{0, Name("xyzInside")}, {4096 - 12, "Content-Type"}},
     {},
     0,
     {}},
    {"a file ending right after a marker", 4108, {{4096, "Content-Type"}}, {}, 1, {L""}},
    {"a length that is a multiple of 4096 ends in an empty block",
     12288,
     {{12288 - 100, Name("xyzLast")}, {12288 - 50, Header("; filename=\"z.bin\"")}},
     {L"Last"},
     1,
     {L" z.bin"}},
    {"the bytes of Windows-1252 become their characters",
     8192,
     {{4200, Name("xyzBudget \x80 \x81\x8D\x8F\x90\x9D \x9F")}},
     {L"Budget \u20AC \u0081\u008D\u008F\u0090\u009D \u0178"},
     0,
     {}},
};

TEST(ScanRules, MailboxesHeadersAndSubjectsOfHandMadeFiles) {
    for (const ScanCase& c : kScanCases) {
        SCOPED_TRACE(c.what);
        MemorySource file(FileImage(c.length, c.parts));
        mailbox::NeverStop token;
        mailbox::MailboxScanResult names = mailbox::ScanMailboxes(file, Windows1252(), token);
        EXPECT_EQ(names.names, c.mailboxes);
        EXPECT_EQ(names.sourceLength, c.length);
        mailbox::HeaderAnalysis headers = mailbox::AnalyseHeaders(file, Windows1252(), token);
        EXPECT_EQ(headers.messageCount, c.headerCount);
        EXPECT_EQ(headers.subjects, c.subjects);
        EXPECT_FALSE(names.error || headers.error || names.stopped || headers.stopped);
    }
}

TEST(ScanRules, SixtyHeadersListFiftyRowsWithCountSixtyAndTextFiftyNine) {
    MemorySource file(FileImage(4096 * 5, Records(60, 4096, 200, [](int i) {
                                    return Header("; filename=\"f" + std::to_string(i) + ".txt\"");
                                })));
    mailbox::NeverStop token;
    std::vector<size_t> rows;
    mailbox::HeaderAnalysis headers = mailbox::AnalyseHeaders(
        file, Windows1252(), token, {[&](size_t row, const std::wstring&) { rows.push_back(row); }, nullptr});
    EXPECT_EQ(headers.messageCount, 60u);
    EXPECT_EQ(headers.CountText(), std::optional<std::wstring>(L"59"));
    ASSERT_EQ(headers.subjects.size(), 50u);
    EXPECT_EQ(headers.subjects.front(), L" f0.txt");
    EXPECT_EQ(headers.subjects.back(), L" f49.txt");
    ASSERT_EQ(rows.size(), 50u);
    EXPECT_EQ(rows.back(), 49u);

    MemorySource none(FileImage(8192, {}));
    EXPECT_EQ(mailbox::AnalyseHeaders(none, Windows1252(), token).CountText(), std::nullopt)
        << "with no marker the count text the page had must stay";
}

TEST(ScanRules, SubjectTextRule) {
    const struct {
        const wchar_t* text;
        const wchar_t* subject;
    } kCases[] = {
        {L"Content-Type: a; filename=\"a.txt\"", L" a.txt"},
        {L"Content-Type: text/plain; charset=\"us-ascii\"", L"Type: text/plain; charset="},
        {L"Content-Type: a; filename=a.txt", L""},
        {L"Content-Type: text/plain", L""},
        {L"Content-Type filename", L""},
        {L"Content-Type=x \"a\" filename \"b\" c", L" b"},
        {L"Content-Type: x; filename=\"abcdefghijklmnopqrstuvwxyz\"", L""},
        {L"Content-Type: a; filename=\"my \"best\" file.txt\"", L" my  best  file.txt"},
    };
    for (const auto& c : kCases) EXPECT_EQ(mailbox::SubjectText(c.text), c.subject) << c.text;
}

TEST(ScanRules, MailboxNameRuleAndCaseFolding) {
    const struct {
        const wchar_t* text;
        const wchar_t* name;
    } kCases[] = {
        {L"N67b9\u00B0\u00B4xyzMailbox", L"Mailbox"},
        {L"N67b9\u00B0\u00B4bobAlice", L"lice"},
        {L"N67b9\u00B0\u00B4N67b9\u00B0\u00B4xyzZ", L"Z"},
        {L"N67b9\u00B0\u00B4abcd", L"d"},
        {L"N67b9\u00B0\u00B4abc", L""},
        {L"N67b9\u00B0\u00B4", L""},
    };
    for (const auto& c : kCases) EXPECT_EQ(mailbox::MailboxNameFromText(c.text), c.name) << c.text;
    EXPECT_EQ(Windows1252().ToUpper(L"\u00FF\u0161\u0153\u017E\u00E9\u00F7\u00DFz"),
              L"\u0178\u0160\u0152\u017D\u00C9\u00F7\u00DFZ");
}

}  // namespace
