#include "mail/MessageBuilder.h"

#include <algorithm>

#include "mail/Charset.h"
#include "mail/EncodedWords.h"
#include "mail/HeaderBlock.h"
#include "mail/LineEndings.h"
#include "mail/MimeEntity.h"
#include "mail/TimeText.h"
#include "mail/TransferEncoding.h"
#include "text/AsciiCase.h"

namespace mail {
namespace {

constexpr std::string_view kSubjectGlue = "Subject";

std::string WithoutNul(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

// The system writes the seven characters "Subject" right before the message
// text, which makes its first line read "SubjectContent-Type: ...". The glue
// is the first header line that starts with "Subject" but is no Subject field.
std::string RemoveSubjectGlue(std::string text) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == at) break;  // end of the header block
        if (text.compare(at, kSubjectGlue.size(), kSubjectGlue) == 0) {
            size_t after = at + kSubjectGlue.size();
            if (after >= text.size() || (text[after] != ':' && text[after] != ' ' && text[after] != '\t')) {
                text.erase(at, kSubjectGlue.size());
                // A bare "Subject" line (an empty message text) must not end the header block.
                if (text.compare(at, 2, "\r\n") == 0) text.erase(at, 2);
            }
            break;
        }
        if (end == std::string::npos) break;
        at = end + 2;
    }
    return text;
}

// The last component of a name that may carry a path ("..\\..\\x.exe"), without
// control characters; empty when nothing usable is left.
std::string SafeFileName(std::string_view name) {
    size_t cut = name.find_last_of("\\/:");
    if (cut != std::string_view::npos) name = name.substr(cut + 1);
    std::string out;
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out.push_back(c);
    std::string trimmed(TrimBlanks(out));
    if (trimmed.find_first_not_of('.') == std::string::npos) return {};
    return trimmed;
}

std::string ExtensionFor(const std::string& mimeType) {
    if (mimeType == "message/rfc822") return ".eml";
    if (mimeType == "text/plain") return ".txt";
    if (mimeType == "text/html") return ".html";
    if (mimeType == "text/calendar") return ".ics";
    if (mimeType == "image/jpeg") return ".jpg";
    size_t slash = mimeType.find('/');
    std::string subtype = slash == std::string::npos ? std::string() : mimeType.substr(slash + 1);
    if (subtype.empty() || subtype.size() > 5 ||
        subtype.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789") != std::string::npos)
        return ".bin";
    return "." + subtype;
}

void ParseMailbox(std::string_view raw, std::string& name, std::string& address) {
    std::string text = WithoutNul(DecodeHeaderText(raw));
    size_t open = text.rfind('<');
    size_t close = open == std::string::npos ? std::string::npos : text.find('>', open);
    if (open != std::string::npos) {
        address = std::string(TrimBlanks(
            std::string_view(text).substr(open + 1, (close == std::string::npos ? text.size() : close) - open - 1)));
        std::string display(TrimBlanks(std::string_view(text).substr(0, open)));
        if (display.size() >= 2 && display.front() == '"' && display.back() == '"')
            display = display.substr(1, display.size() - 2);
        name = display.empty() ? address : display;
    } else {
        address = std::string(TrimBlanks(text));
        name = address;
    }
}

// Splits an address list at commas outside quotes and angle brackets.
std::vector<std::string_view> SplitAddressList(std::string_view list) {
    std::vector<std::string_view> items;
    bool quoted = false;
    int angle = 0;
    size_t start = 0;
    for (size_t i = 0; i <= list.size(); ++i) {
        char c = i < list.size() ? list[i] : ',';
        if (c == '"')
            quoted = !quoted;
        else if (c == '<' && !quoted)
            ++angle;
        else if (c == '>' && !quoted && angle > 0)
            --angle;
        else if (c == ',' && ((!quoted && angle == 0) || i == list.size())) {
            std::string_view item = TrimBlanks(list.substr(start, i - start));
            if (!item.empty()) items.push_back(item);
            start = i + 1;
        }
    }
    return items;
}

class Builder {
public:
    explicit Builder(pst::MessageData& message) : m_message(message) {}

    void Visit(const MimeEntity& entity) {
        if (!entity.parts.empty()) {
            for (const MimeEntity& part : entity.parts) Visit(part);
            return;
        }
        if (entity.unsplit) {
            AppendPlain(Windows1252ToUtf8(entity.body));
            return;
        }
        const std::string& type = entity.contentType.value;
        if (type.compare(0, 10, "multipart/") == 0) return;  // split, but empty
        const HeaderField* dispositionField = FindField(entity.fields, "Content-Disposition");
        ParameterizedValue disposition = ParseParameterizedValue(dispositionField ? dispositionField->value : "");
        std::string name = disposition.Parameter("filename");
        if (name.empty()) name = entity.contentType.Parameter("name");
        std::string bytes = Decode(entity);
        bool inlineText = name.empty() && disposition.value != "attachment";

        if (inlineText && type == "text/plain") {
            AppendPlain(DecodeCharset(bytes, entity.contentType.RawParameter("charset")));
        } else if (inlineText && type == "text/html" && !m_haveHtml) {
            m_message.bodyHtml = WithoutNul(DecodeCharset(bytes, entity.contentType.RawParameter("charset")));
            m_haveHtml = true;
        } else if (!(name.empty() && bytes.find_first_not_of(" \t\r\n") == std::string::npos)) {
            pst::Attachment attachment;
            attachment.fileName = SafeFileName(name);
            if (attachment.fileName.empty())
                attachment.fileName =
                    "Attachment " + std::to_string(m_message.attachments.size() + 1) + ExtensionFor(type);
            attachment.mimeType = WithoutNul(Windows1252ToUtf8(type));
            if (const HeaderField* id = FindField(entity.fields, "Content-ID")) {
                std::string_view value = TrimBlanks(id->value);
                if (value.size() >= 2 && value.front() == '<' && value.back() == '>')
                    value = value.substr(1, value.size() - 2);
                attachment.contentId = WithoutNul(Windows1252ToUtf8(value));
            }
            attachment.bytes.assign(bytes.begin(), bytes.end());
            std::string().swap(bytes);
            m_message.attachments.push_back(std::move(attachment));
        }
    }

private:
    static std::string Decode(const MimeEntity& entity) {
        const HeaderField* field = FindField(entity.fields, "Content-Transfer-Encoding");
        std::string encoding = field ? mailbox::LowerAscii(TrimBlanks(field->value)) : std::string();
        if (encoding == "base64") return DecodeBase64(entity.body);
        if (encoding == "quoted-printable") return DecodeQuotedPrintable(entity.body);
        return std::string(entity.body);
    }

    void AppendPlain(const std::string& text) {
        std::string clean = WithoutNul(text);
        if (clean.empty()) return;
        if (!m_message.bodyText.empty()) m_message.bodyText += "\r\n";
        m_message.bodyText += clean;
    }

    pst::MessageData& m_message;
    bool m_haveHtml = false;
};

}  // namespace

pst::MessageData BuildMessage(std::string_view emlBytes, const MessageTexts& texts, uint64_t nowFileTime) {
    // The message text is held once more, line ends normalized; every entity
    // of it points into that copy.
    std::string text = RemoveSubjectGlue(
        NormalizeLineEndings(emlBytes.empty() ? std::string_view(Utf8ToWindows1252(texts.messageText)) : emlBytes));
    MimeEntity top = ParseMimeEntity(text);

    pst::MessageData message;
    message.flags = pst::kMessageRead;
    message.transportHeaders = WithoutNul(Windows1252ToUtf8(top.headerBlock));

    if (const HeaderField* subject = FindField(top.fields, "Subject"))
        message.subject = WithoutNul(std::string(TrimBlanks(DecodeHeaderText(subject->value))));
    if (message.subject.empty()) message.subject = WithoutNul(std::string(TrimBlanks(texts.attachmentName)));

    if (const HeaderField* from = FindField(top.fields, "From"))
        ParseMailbox(from->value, message.senderName, message.senderAddress);
    if (const HeaderField* to = FindField(top.fields, "To"))
        for (std::string_view item : SplitAddressList(to->value)) {
            pst::Recipient recipient;
            recipient.type = pst::RecipientType::To;
            ParseMailbox(item, recipient.displayName, recipient.emailAddress);
            message.recipients.push_back(std::move(recipient));
        }
    if (const HeaderField* id = FindField(top.fields, "Message-ID"))
        message.internetMessageId = WithoutNul(Windows1252ToUtf8(TrimBlanks(id->value)));

    uint64_t time = ParseSourceTimeText(texts.sourceTimeText).value_or(nowFileTime);
    message.submitTime = message.deliveryTime = time;

    Builder(message).Visit(top);
    return message;
}

}  // namespace mail
