#pragma once
// The system's side of the mail parser component: the three operations the
// conversion needs. Two implementations run the same code below this
// interface: the COM exchange with quillon.Class1 (the wizard), and
// CDirectMailParser, which calls the component's core in process (tests and
// the command-line converter).
//
// Every operation answers the component's result text ("OK..." or
// "ERROR: ..."); the conversion examines none of them.

#include <string>
#include <vector>

namespace components {

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

    virtual std::wstring CreateStore(const std::wstring& pstPath, const std::wstring& displayName) = 0;
    // One folder path; called once per level, parent first.
    virtual std::wstring CreateFolder(const std::wstring& folderPath) = 0;
    // Every level of one folder path, parent first ("\\\\store\\A", then
    // "\\\\store\\A\\B"); the COM exchange makes them one exchange. Answers
    // the last level's result.
    virtual std::wstring CreateFolderLevels(const std::vector<std::wstring>& levelPaths) {
        std::wstring result;
        for (const std::wstring& level : levelPaths) result = CreateFolder(level);
        return result;
    }
    virtual std::wstring ImportMessage(const MessageImportArguments& arguments) = 0;
};

}  // namespace components
