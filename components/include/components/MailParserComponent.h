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

#include <string>

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
};

class IMailParserComponent {
public:
    virtual ~IMailParserComponent() = default;

    virtual ComponentAnswer CreateStore(const std::wstring& pstPath, const std::wstring& displayName) = 0;
    // One folder path; called once per level, parent first.
    virtual ComponentAnswer CreateFolder(const std::wstring& folderPath) = 0;
    virtual ComponentAnswer ImportMessage(const MessageImportArguments& arguments) = 0;
};

}  // namespace components
