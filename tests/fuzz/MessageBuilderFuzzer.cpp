// Any bytes as the temporary .eml file: the builder must neither crash nor
// produce text that is not UTF-8 or that carries a NUL.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mail/Charset.h"
#include "mail/MessageBuilder.h"
#include "mail/TimeText.h"

namespace {

void CheckText(const std::string& text) {
    if (text.find('\0') != std::string::npos || mail::DecodeCharset(text, "utf-8") != text) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    mail::ParseSourceTimeText(bytes.substr(0, 32));
    mail::MessageTexts texts{"fallback name", "08/12/2026 09:05 PM", ""};
    pst::MessageData message = mail::BuildMessage(bytes, texts, 0);
    for (const std::string* text : {&message.subject, &message.bodyText, &message.bodyHtml, &message.transportHeaders,
                                    &message.senderName, &message.senderAddress, &message.internetMessageId})
        CheckText(*text);
    for (const pst::Recipient& recipient : message.recipients) {
        CheckText(recipient.displayName);
        CheckText(recipient.emailAddress);
    }
    for (const pst::Attachment& attachment : message.attachments) {
        CheckText(attachment.fileName);
        CheckText(attachment.mimeType);
        CheckText(attachment.contentId);
        if (attachment.fileName.empty() || attachment.fileName.find_first_of("\\/") != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
