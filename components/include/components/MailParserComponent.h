#pragma once
// The system's side of the mail parser component: the three operations the
// conversion needs. Two implementations run the same code below this
// interface: the COM exchange with quillon.Class1 (the wizard), and
// CDirectMailParser, which calls the component's core in process (tests and
// the command-line converter).
//
// One object is one exchange: the COM side holds one component instance for
// the object's life, so a transfer opens one per store, one per folder path
// and one per scan of the source, and makes that exchange's calls on it.
//
// Every operation answers whether it was done, and the component's own words
// ("OK..." or "ERROR: ...") for the log. Only the COM exchange reads the
// outcome back from the words, as a text is all that crosses COM.

#include <cstddef>
#include <string>
#include <vector>

namespace components {

struct ComponentAnswer {
    bool ok = false;
    std::wstring text;  // the component's sentence; empty when no component answered
};

// The arguments the system passes with every message, in its order (the
// remaining ones of the call are fixed: a null text, the short 1, two null
// texts).
struct MessageImportArguments {
    std::wstring folderPath;      // "\\\\display name\\Inbox"
    std::wstring attachmentName;  // the name text shown on the preview page
    std::wstring owner;           // "Admin"
    std::wstring emlPath;         // the temporary .eml file (open it sharing read, write and delete)
    std::wstring sourceTimeText;  // "%d/%m/%Y %I:%M %p" of the source file
    std::wstring messageText;     // the whole message text
    // In process only, with no file written (emlPath empty): the bytes the
    // file would hold.
    std::string emlBytes;
};

// How much one ImportMessages call may hold: at most `messages` messages, and
// past `bytes` bytes of message files no further one. The default, one
// message, is the COM exchange's contract: a message per call, each call its
// own commit.
struct BatchLimits {
    size_t messages = 1;
    size_t bytes = 0;
};

class IMailParserComponent {
public:
    virtual ~IMailParserComponent() = default;

    virtual ComponentAnswer CreateStore(const std::wstring& pstPath, const std::wstring& displayName) = 0;
    // One folder path; called once per level, parent first.
    virtual ComponentAnswer CreateFolder(const std::wstring& folderPath) = 0;
    virtual ComponentAnswer ImportMessage(const MessageImportArguments& arguments) = 0;

    virtual BatchLimits Batching() const { return {}; }
    // Called only when Batching() allows more than one message: the messages,
    // in order, all for one folder and each with its bytes in emlBytes, stored
    // in one commit. Done: all of them are stored; not done: none is.
    virtual ComponentAnswer ImportMessages(const std::vector<MessageImportArguments>& /*messages*/) {
        return {false, L"ERROR: this component takes one message per call"};
    }
};

}  // namespace components
