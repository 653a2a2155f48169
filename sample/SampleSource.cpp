#include "sample/SampleSource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace sample {
namespace {

constexpr size_t kPage = 4096;
constexpr size_t kListed = 50;
const char kMailboxMarker[] = "N67b9\xB0\xB4";

// A name as stored (Windows-1252 bytes) and as the list must show it (UTF-8).
struct Text {
    const char* stored;
    const char* shown;
};

const Text kMailboxes[] = {
    {"Administrator", "Administrator"},
    {"Jane Doe", "Jane Doe"},
    {"Jos\xE9 Mart\xEDnez", "Jos\xC3\xA9 Mart\xC3\xADnez"},
    {"Fran\xE7ois \x8C"
     "uvre",
     "Fran\xC3\xA7ois \xC5\x92uvre"},
    {"S\xF8ren \xC6kerlund", "S\xC3\xB8ren \xC3\x86kerlund"},
    {"Support \"Helpdesk\"", "Support \"Helpdesk\""},
    {"CORP\\Backup Operator", "CORP\\Backup Operator"},
    {"M\xFCller, Hans", "M\xC3\xBCller, Hans"},
};
// Later records of the same mailboxes in another letter case: never listed again.
const char* const kCaseVariants[] = {"JANE DOE", "JOS\xC9 MART\xCDNEZ", "m\xDCller, hans", "administrator"};

const Text kAttachments[] = {
    {"Quarterly Report.pdf", "Quarterly Report.pdf"},
    {"\xDC"
     "bersicht M\xE4rz.xlsx",
     "\xC3\x9C"
     "bersicht M\xC3\xA4rz.xlsx"},
    {"invoice_2026-11.pdf", "invoice_2026-11.pdf"},
    {"photo 001.jpg", "photo 001.jpg"},
    {"Budget \x80.xlsx", "Budget \xE2\x82\xAC.xlsx"},
    {"R\xE9sum\xE9.docx", "R\xC3\xA9sum\xC3\xA9.docx"},
};

const char* const kWords[] = {"meeting",  "budget", "please", "review",  "the",     "attached", "numbers",
                              "before",   "Friday", "thanks", "regards", "project", "schedule", "update",
                              "customer", "call",   "notes",  "agenda",  "team",    "lunch",    "tomorrow"};
const char* const kPeople[] = {"jane.doe", "jose.martinez", "s.aekerlund", "hans.mueller", "helpdesk"};

// A plain message's only marker: no "filename", the last "=" is charset's.
const char kPlainSubject[] = "Type: text/plain; charset=";

class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }

private:
    uint64_t m_state;
};

std::string Base64(const std::string& data) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i + 2 < data.size(); i += 3) {  // sizes are multiples of 3: no "=" padding
        uint32_t v = (uint8_t(data[i]) << 16) | (uint8_t(data[i + 1]) << 8) | uint8_t(data[i + 2]);
        for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 63];
        if (out.size() % 78 == 76) out += "\r\n";
    }
    return out;
}

// Bytes that can never begin a marker.
uint8_t FillerByte(Random& random) {
    for (;;) {
        uint8_t b = static_cast<uint8_t>(random.Next());
        if (b != 'N' && b != 'C') return b;
    }
}

class Writer {
public:
    Writer(std::ofstream& out, Random& random, Expectation& expected)
        : m_out(out), m_random(random), m_expected(expected), m_page(kPage, 0) {}

    uint64_t Offset() const { return m_pageOffset + m_used; }
    size_t Room() const { return kPage - m_used; }

    void Put(const std::string& bytes) {
        std::memcpy(m_page.data() + m_used, bytes.data(), bytes.size());
        m_used += bytes.size();
    }
    void Skip(size_t n) { m_used += n; }

    // Zeros to the end of the page, then the next page.
    void EndPage() {
        m_out.write(reinterpret_cast<const char*>(m_page.data()), kPage);
        std::fill(m_page.begin(), m_page.end(), 0);
        m_pageOffset += kPage;
        m_used = 0;
    }
    // Continues writing at a page-aligned offset beyond the end, leaving a hole.
    void JumpTo(uint64_t offset) {
        m_out.seekp(static_cast<std::streamoff>(offset));
        m_pageOffset = offset;
        m_used = 0;
    }
    // A last page shorter than a block: binary bytes only.
    void ShortPage(size_t size) {
        for (size_t i = 0; i < size; ++i) m_page[i] = FillerByte(m_random);
        m_out.write(reinterpret_cast<const char*>(m_page.data()), static_cast<std::streamsize>(size));
        std::fill(m_page.begin(), m_page.end(), 0);
        m_pageOffset += size;
    }
    void FillerPage() {
        switch (m_random.Below(3)) {
        case 0:  // an empty page
            break;
        case 1:
            for (auto& b : m_page) b = FillerByte(m_random);
            break;
        default: {  // part of an attachment stored elsewhere
            std::string raw(3 * 1100, '\0');
            for (auto& c : raw) c = static_cast<char>(m_random.Next());
            std::string text = Base64(raw);
            std::memcpy(m_page.data(), text.data(), std::min(text.size(), kPage));
        }
        }
        m_used = kPage;
        EndPage();
    }

    // A record the scans find: a row header (binary, never a marker start) and the bytes.
    void Record(const std::string& bytes) {
        std::string header(8, '\0');
        for (auto& c : header) c = static_cast<char>(FillerByte(m_random));
        if (Room() < header.size() + bytes.size()) EndPage();
        Put(header);
        Put(bytes);
    }

    void Mailbox(const char* stored, const char* shown) {
        // Three bytes that the name rule drops; the first is outside the trim set.
        static const char kPrefix[] = "ACDEFGHIJKLMOPQRSTUVWXYZ";
        std::string prefix;
        for (int i = 0; i < 3; ++i) prefix += kPrefix[m_random.Below(sizeof kPrefix - 1)];
        Record(kMailboxMarker + prefix + stored + std::string(1, '\0'));
        ExpectMailbox(shown);
    }
    void ExpectMailbox(const char* shown) {
        if (!shown) return;
        for (const auto& name : m_expected.mailboxes)
            if (name == shown) return;
        m_expected.mailboxes.push_back(shown);
    }
    void ExpectHeader(const std::string& subject) {
        if (m_expected.messageCount++ < kListed) m_expected.subjects.push_back(subject);
    }

    std::string Sentence(size_t words) {
        std::string text;
        for (size_t i = 0; i < words; ++i) {
            if (i) text += ' ';
            text += kWords[m_random.Below(sizeof kWords / sizeof kWords[0])];
        }
        return text;
    }

    void Message(int number, bool withAttachment) {
        std::string text = "From: " + std::string(kPeople[m_random.Below(5)]) + "@example.com\r\n" +
                           "To: " + kPeople[m_random.Below(5)] + "@example.com\r\n" + "Subject: " + Sentence(4) +
                           "\r\n" + "Date: Tue, " + std::to_string(1 + number % 28) +
                           " Nov 2026 09:" + std::to_string(10 + number % 50) + ":00 +0000\r\n" +
                           "MIME-Version: 1.0\r\n";
        std::string body = Sentence(20 + m_random.Below(60)) + "\r\n";
        if (!withAttachment) {
            text +=
                "Content-Type: text/plain; charset=\"windows-1252\"\r\n"
                "Content-Transfer-Encoding: 8bit\r\n\r\n" +
                body;
            Record(text + std::string(1, '\0'));
            ExpectHeader(kPlainSubject);
            return;
        }
        const Text& file = kAttachments[m_random.Below(sizeof kAttachments / sizeof kAttachments[0])];
        std::string boundary = "KRV_part_" + std::to_string(number);
        std::string raw(3 * (50 + m_random.Below(250)), '\0');
        for (auto& c : raw) c = static_cast<char>(m_random.Next());
        text += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n" + "--" + boundary + "\r\n" +
                "Content-Type: text/plain; charset=\"windows-1252\"\r\n\r\n" + body + "--" + boundary + "\r\n" +
                "Content-Type: application/octet-stream; name=\"" + file.stored + "\"\r\n" +
                "Content-Transfer-Encoding: base64\r\n" + "Content-Disposition: attachment; filename=\"" + file.stored +
                "\"\r\n\r\n" + Base64(raw) + "\r\n--" + boundary + "--\r\n";
        Record(text + std::string(1, '\0'));
        // Each of the three markers sees the attachment's file name as its last
        // quoted text before the last "=".
        for (int i = 0; i < 3; ++i) ExpectHeader(std::string(" ") + file.shown);
    }

    // Places bytes so that they end exactly at the end of the current page.
    void PutAtPageEnd(const std::string& bytes) {
        if (Room() < bytes.size()) EndPage();
        Skip(Room() - bytes.size());
        Put(bytes);
    }

private:
    std::ofstream& m_out;
    Random& m_random;
    Expectation& m_expected;
    std::vector<uint8_t> m_page;
    uint64_t m_pageOffset = 0;
    size_t m_used = 0;
};

// Markers the rules hide, cut or keep at page ends, each with what it must give.
void WriteRuleCases(Writer& w) {
    // First page: never scanned, a header marker ending at offset 4095 included.
    w.Skip(64);
    w.Put(std::string(kMailboxMarker) + "XYZHidden Mailbox" + std::string(1, '\0'));
    w.PutAtPageEnd("Content-Type");
    w.EndPage();
    // The trim rule's own examples, a case duplicate, and a marker across the page end.
    w.Put(std::string(kMailboxMarker) + "xyzMailbox" + std::string(1, '\0'));
    w.ExpectMailbox("Mailbox");
    w.Put(std::string(kMailboxMarker) + "bobAlice" + std::string(1, '\0'));
    w.ExpectMailbox("lice");
    w.Put(std::string(kMailboxMarker) + "xyzMAILBOX" + std::string(1, '\0'));
    w.PutAtPageEnd("N67");
    w.EndPage();
    w.Put("b9\xB0\xB4XYZStraddled Mailbox" + std::string(1, '\0'));
    // A name cut by the page end.
    w.PutAtPageEnd(std::string(kMailboxMarker) + "XYZCut");
    w.ExpectMailbox("Cut");
    w.EndPage();
    w.Put(" Mailbox Name" + std::string(1, '\0'));
    // A file name without quotes gives an empty subject; a header across the page end is not one.
    w.Put("Content-Type: text/plain; filename=notes.txt\r\n\r\nsee notes" + std::string(1, '\0'));
    w.ExpectHeader("");
    w.PutAtPageEnd("Content-");
    w.EndPage();
    w.Put("Type: text/plain; charset=\"us-ascii\"\r\n\r\nlost header" + std::string(1, '\0'));
    // A header cut by the page end before its file name.
    w.PutAtPageEnd("Content-Type: application/pdf; name=\"Quarterly Report.pdf\"");
    w.ExpectHeader("Type: application/pdf; name=");
    w.EndPage();
    // Both markers at the last position where they still fit.
    w.Put(std::string(kMailboxMarker) + std::string(1, '\0'));
    w.PutAtPageEnd("Content-Type");
    w.ExpectHeader("");
    w.EndPage();
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}

}  // namespace

bool WriteSample(const std::string& path, const SampleOptions& options, Expectation& expected, std::string& error) {
    expected = Expectation{};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot create " + path;
        return false;
    }
    Random random(options.seed);
    Writer w(out, random, expected);
    if (options.ruleCases) {
        WriteRuleCases(w);
    } else {
        w.EndPage();  // the database header page
    }
    // Each mailbox's record, then its share of the messages; later records repeat
    // mailboxes, some in another letter case.
    const int mailboxCount = sizeof kMailboxes / sizeof kMailboxes[0];
    for (int m = 0; m < options.messages || m < mailboxCount; ++m) {
        if (m < mailboxCount)
            w.Mailbox(kMailboxes[m].stored, kMailboxes[m].shown);
        else if (m % 40 == 0)
            w.Mailbox(kCaseVariants[(m / 40) % 4], nullptr);
        if (m < options.messages) w.Message(m, m % 3 == 0);
        if (random.Below(8) == 0) {
            w.EndPage();
            w.FillerPage();
        }
    }
    w.EndPage();
    while (w.Offset() + kPage <= options.minimumSize) w.FillerPage();
    if (w.Offset() < options.minimumSize) w.ShortPage(static_cast<size_t>(options.minimumSize - w.Offset()));
    if (options.sparseTailAt) {
        w.JumpTo(options.sparseTailAt);
        w.Mailbox("Beyond Four GiB", "Beyond Four GiB");
        w.Message(100001, true);
        w.Message(100002, false);
        w.EndPage();
        w.JumpTo(options.sparseSize - kPage);
        w.Mailbox("Last Page Mailbox", "Last Page Mailbox");
        w.Message(100003, true);
        w.EndPage();
    }
    out.flush();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    expected.size = static_cast<uint64_t>(out.tellp());
    return true;
}

std::string ExpectedJson(const Expectation& expected, const std::string& sourceText) {
    return "{\"source\": " + JsonString(sourceText) + ", \"size\": " + std::to_string(expected.size) +
           ", \"mailboxes\": " + JsonArray(expected.mailboxes) +
           ", \"message_count\": " + std::to_string(expected.messageCount) +
           ", \"subjects\": " + JsonArray(expected.subjects) + "}\n";
}

}  // namespace sample
