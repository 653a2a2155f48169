#pragma once
// Builds the engine's message from the temporary .eml file the system writes
// for every message header it finds in the source database, and from the
// texts that come with it.
//
// What the input looks like: "From:" and "To:" lines ending in a bare CR,
// then "Subject" glued to the message text, which starts with "Content-Type"
// and is often cut off mid-part at a 4 KiB window; the file went through text
// mode (CR LF became CR CR LF) and its bytes are windows-1252.
//
// GUARANTEES: BuildMessage never fails and never throws for any byte sequence
// (it allocates, so only running out of memory can end it). Text it cannot
// read as MIME becomes the plain body, so no byte of the message text is
// dropped silently: the header block is kept whole as the transport headers,
// every decoded part lands in the body, the HTML body or an attachment, and
// only a multipart's preamble and epilogue (by definition no content), an
// unnamed part holding nothing but blanks, and a transfer encoding's padding
// are left out. All strings produced are UTF-8
// without NUL characters.
//
// ORDER: line ends normalized, the "Subject" glue removed, the entity tree
// parsed, then walked depth first: the first inline text/plain becomes the
// body (later ones are appended to it), the first inline text/html the HTML
// body, and every other leaf an attachment, named by its file name when it has
// one.

#include <cstdint>
#include <string>
#include <string_view>

#include "pst/MessageData.h"

namespace mail {

struct MessageTexts {
    std::string attachmentName;  // the name text the preview page showed, UTF-8
    std::string sourceTimeText;  // "%d/%m/%Y %I:%M %p"
    // The message text itself, UTF-8. Read only when the file gave no bytes:
    // the file holds the same text as the system's ANSI bytes, which keep each
    // part's own charset intact.
    std::string messageText;
};

// `nowFileTime` stands in for submit and delivery time when the time text does
// not parse.
pst::MessageData BuildMessage(std::string_view emlBytes, const MessageTexts& texts, uint64_t nowFileTime);

}  // namespace mail
