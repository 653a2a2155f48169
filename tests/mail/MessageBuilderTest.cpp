// Whole messages as the system hands them over: one row per kind of input,
// each written through SystemEml() exactly as the system writes the file.

#include <gtest/gtest.h>

#include <random>

#include "SystemEml.h"
#include "mail/Charset.h"
#include "mail/MessageBuilder.h"

namespace {

using mail_test::SystemEml;

constexpr uint64_t kNow = 134000000000000000ULL;

struct ExpectedAttachment {
    std::string name;
    std::string bytes;
};

struct Row {
    const char* label;
    std::string messageText;  // source text, CR LF line ends
    std::string subject;
    std::string body;  // exact plain body
    std::string htmlContains;
    std::vector<ExpectedAttachment> attachments;
};

const std::string kAttachmentNameText = "  Quarterly report.pdf  ";

const Row kRows[] = {
    {"plain text with its own subject",
     "Content-Type: text/plain; charset=us-ascii\r\nSubject: Hello there\r\n\r\nLine one\r\nLine two",
     "Hello there",
     "Line one\r\nLine two",
     "",
     {}},
    {"no subject: the attachment name text, trimmed",
     "Content-Type: text/plain\r\n\r\nBody",
     "Quarterly report.pdf",
     "Body",
     "",
     {}},
    {"quoted-printable windows-1252",
     "Content-Type: text/plain; charset=windows-1252\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
     "Caf=E9 co=\r\nsts =80 3",
     "Quarterly report.pdf",
     "Caf\xC3\xA9 costs \xE2\x82\xAC 3",
     "",
     {}},
    {"base64 utf-8 and an encoded-word subject",
     "Content-Type: text/plain; charset=\"utf-8\"\r\nContent-Transfer-Encoding: base64\r\n"
     "Subject: =?utf-8?B?w5xuw69jw7Zkw6k=?=\r\n\r\nR3LDvMOfZSBhdXMgS8O2bG4g4oKs\r\n",
     "\xC3\x9Cn\xC3\xAF"
     "c\xC3\xB6"
     "d\xC3\xA9",
     "Gr\xC3\xBC\xC3\x9F"
     "e aus K\xC3\xB6ln \xE2\x82\xAC",
     "",
     {}},
    {"8-bit iso-8859-1",
     "Content-Type: text/plain; charset=iso-8859-1\r\n\r\nna\xEFve",
     "Quarterly report.pdf",
     "na\xC3\xAFve",
     "",
     {}},
    {"nested multipart: alternative inside mixed, attachment beside it",
     "Content-Type: multipart/mixed; boundary=\"outer\"\r\nSubject: Nested\r\n\r\n"
     "preamble\r\n--outer\r\nContent-Type: multipart/alternative; boundary=inner\r\n\r\n"
     "--inner\r\nContent-Type: text/plain\r\n\r\nPlain part\r\n"
     "--inner\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>Html \xE2\x82\xAC part</p>\r\n--inner--\r\n"
     "--outer\r\nContent-Type: application/pdf; name=\"r.pdf\"\r\nContent-Transfer-Encoding: base64\r\n"
     "Content-Disposition: attachment; filename=\"report.pdf\"\r\n\r\nJVBERi0xLjQgYmluYXJ5AAEC/w==\r\n"
     "--outer--\r\nepilogue",
     "Nested",
     "Plain part",
     "<p>Html \xE2\x82\xAC part</p>",
     {{"report.pdf", std::string("%PDF-1.4 binary\0\x01\x02\xFF", 19)}}},
    {"RFC 2231 file name",
     "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n"
     "Content-Disposition: attachment;\r\n filename*0*=utf-8''%E2%82%AC; "
     "filename*1=\"-notes.txt\"\r\n\r\nnote\r\n--b--",
     "Quarterly report.pdf",
     "",
     "",
     {{"\xE2\x82\xAC-notes.txt", "note"}}},
    {"multipart without a boundary becomes the plain body",
     "Content-Type: multipart/mixed\r\n\r\n--x\r\nContent-Type: text/plain\r\n\r\nkept\r\n--x--",
     "Quarterly report.pdf",
     "--x\r\nContent-Type: text/plain\r\n\r\nkept\r\n--x--",
     "",
     {}},
    {"wrong boundary becomes the plain body",
     "Content-Type: multipart/mixed; boundary=abc\r\n\r\n--xyz\r\n\r\nkept \x80",
     "Quarterly report.pdf",
     "--xyz\r\n\r\nkept \xE2\x82\xAC",
     "",
     {}},
    {"cut inside a base64 attachment, no closing delimiter",
     "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nSee file\r\n"
     "--b\r\nContent-Type: application/octet-stream; name=data.bin\r\nContent-Transfer-Encoding: base64\r\n\r\n"
     "AAECAwQFBgcI\r\nCQoLDA0OD",
     "Quarterly report.pdf",
     "See file",
     "",
     {{"data.bin", std::string("\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E", 15)}}},
    {"cut inside quoted-printable",
     "Content-Type: text/plain; charset=windows-1252\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nfin=E",
     "Quarterly report.pdf",
     "fin=E",
     "",
     {}},
    {"header only", "Content-Type: text/plain\r\nSubject: Only a header\r\nX-Mailer: m", "Only a header", "", "", {}},
    {"cut inside a header", "Content-Type: multipart/mixed;\r\n bound", "Quarterly report.pdf", "", "", {}},
    // RFC 2045: a type that is no type/subtype is plain text, not an attachment.
    {"a type without a slash is plain text",
     "Content-Type: s-ascii\r\n\r\nHello",
     "Quarterly report.pdf",
     "Hello",
     "",
     {}},
    {"empty message text", "", "Quarterly report.pdf", "", "", {}},
    {"a name with path characters keeps its last component",
     "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: application/x-msdownload\r\n"
     "Content-Disposition: attachment; filename=\"..\\\\..\\\\Windows\\\\evil.exe\"\r\n\r\nMZ\r\n"
     "--b\r\nContent-Disposition: attachment; filename=\"../..\"\r\n\r\ndots\r\n--b--",
     "Quarterly report.pdf",
     "",
     "",
     {{"evil.exe", "MZ"}, {"Attachment 2.txt", "dots"}}},
};

TEST(MessageBuilder, SystemFiles) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.label);
        mail::MessageTexts texts{kAttachmentNameText, "08/12/2026 09:05 PM", ""};
        pst::MessageData m = mail::BuildMessage(SystemEml(row.messageText), texts, kNow);
        EXPECT_EQ(row.subject, m.subject);
        EXPECT_EQ(row.body, m.bodyText);
        if (row.htmlContains.empty())
            EXPECT_EQ("", m.bodyHtml);
        else
            EXPECT_NE(std::string::npos, m.bodyHtml.find(row.htmlContains)) << m.bodyHtml;
        ASSERT_EQ(row.attachments.size(), m.attachments.size());
        for (size_t i = 0; i < row.attachments.size(); ++i) {
            EXPECT_EQ(row.attachments[i].name, m.attachments[i].fileName);
            EXPECT_EQ(row.attachments[i].bytes,
                      std::string(m.attachments[i].bytes.begin(), m.attachments[i].bytes.end()));
        }
        // What every message carries, whatever its text.
        EXPECT_EQ("Administrator", m.senderName);
        EXPECT_EQ("administrator@korvane.local", m.senderAddress);
        ASSERT_EQ(1u, m.recipients.size());
        EXPECT_EQ("administrator@korvane.local", m.recipients[0].emailAddress);
        EXPECT_EQ(134412375000000000ULL, m.submitTime);
        EXPECT_EQ(m.submitTime, m.deliveryTime);
        EXPECT_EQ(0u, m.transportHeaders.compare(0, 5, "From:")) << m.transportHeaders;
        EXPECT_EQ(std::string::npos, m.transportHeaders.find("SubjectContent")) << "the glue stays out of the headers";
    }
}

TEST(MessageBuilder, TimeTextThatDoesNotParseGivesTheCurrentTime) {
    mail::MessageTexts texts{"x", "", ""};
    EXPECT_EQ(kNow, mail::BuildMessage(SystemEml("Content-Type: text/plain\r\n\r\nb"), texts, kNow).submitTime);
}

TEST(MessageBuilder, WithoutTheFileTheMessageTextIsParsed) {
    // The text arrives as UTF-8; the parts decode as if the system's bytes had been read.
    mail::MessageTexts texts{"x", "",
                             "Content-Type: text/plain; charset=windows-1252\r\nSubject: S\r\n\r\ncaf\xC3\xA9"};
    pst::MessageData m = mail::BuildMessage("", texts, kNow);
    EXPECT_EQ("S", m.subject);
    EXPECT_EQ("caf\xC3\xA9", m.bodyText);
}

// Binary garbage is never refused: it all lands in the plain body as valid
// UTF-8 without NUL characters.
TEST(MessageBuilder, BinaryGarbageBecomesTheBody) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(64 + random() % 4032, '\0');
        for (char& c : garbage) c = static_cast<char>(random());
        mail::MessageTexts texts{"x", "", ""};
        pst::MessageData m = mail::BuildMessage(SystemEml(garbage), texts, kNow);
        for (const std::string* text : {&m.subject, &m.bodyText, &m.bodyHtml, &m.transportHeaders}) {
            EXPECT_EQ(*text, mail::DecodeCharset(*text, "utf-8")) << "not valid UTF-8";
            EXPECT_EQ(std::string::npos, text->find('\0'));
        }
        EXPECT_FALSE(m.bodyText.empty()) << "round " << round;
    }
}

}  // namespace
