#pragma once
// A component of its own per test (a fresh registry stands for a fresh
// process), and messages handed over the way the conversion does: the
// temporary .eml file written as the system writes it and, on Windows, held
// open with delete access during the call as the run holds it, the call, the
// file deleted again.

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "SystemEml.h"
#include "TestFiles.h"
#include "components/DirectMailParser.h"
#include "mail/Charset.h"
#include "quillon/core/StoreRegistry.h"
#include "tests/common/StandardFolders.h"
#include "text/Utf8.h"

namespace component_test {

using standard_folders::kSaveAll;

inline std::wstring W(const std::string& utf8) { return mailbox::FromUtf8(utf8); }
inline std::string U(const std::wstring& wide) { return mailbox::ToUtf8(wide); }

inline std::string EncodeBase64(const std::string& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[group >> 18];
        out += kDigits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
        if (out.size() % 78 == 76) out += "\r\n";
    }
    return out;
}

// Message n: subject "Message 00n café" (raw windows-1252 in the header),
// a plain body, and for every third message an attachment of binary bytes.
struct SampleMail {
    std::string subject;  // UTF-8, as readers should show it
    std::string attachmentName;
    std::string attachmentBytes;
    std::string text;  // the source message text
};

inline SampleMail MakeSampleMail(int n, size_t attachmentSize = 3000) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d", n);
    SampleMail mail;
    mail.subject = std::string("Message ") + number + " caf\xC3\xA9";
    std::string boundary = "----=_Part_" + std::string(number);
    mail.text = "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\nSubject: Message " + number +
                " caf\xE9\r\nMIME-Version: 1.0\r\n\r\n--" + boundary +
                "\r\nContent-Type: text/plain; charset=windows-1252\r\n\r\nBody of message " + number + "\r\n";
    if (n % 3 == 0) {
        mail.attachmentName = std::string("file ") + number + ".bin";
        for (size_t k = 0; k < attachmentSize; ++k)
            mail.attachmentBytes.push_back(static_cast<char>((k * 7 + n) % 256));
        mail.text += "--" + boundary + "\r\nContent-Type: application/octet-stream; name=\"" + mail.attachmentName +
                     "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64(mail.attachmentBytes) + "\r\n";
    }
    mail.text += "--" + boundary + "--\r\n";
    return mail;
}

class Component {
public:
    explicit Component(std::unique_ptr<quillon::StoreFiles> files = quillon::MakeEngineStoreFiles())
        : m_registry(std::move(files)), m_parser(m_registry) {}
    ~Component() { m_registry.Shutdown(); }

    std::string CreateStore(const std::string& path, const std::string& displayName) {
        return U(m_parser.CreateStore(W(path), W(displayName)).text);
    }
    std::string CreateFolder(const std::string& folderPath) { return U(m_parser.CreateFolder(W(folderPath)).text); }
    std::string Import(const pst_test::TempDir& dir, const std::string& folderPath, int n, const std::string& text) {
        std::string eml = dir.File(std::to_string(n) + ".eml");
        std::ofstream(eml, std::ios::binary) << mail_test::SystemEml(text);
#ifdef _WIN32
        HANDLE held = ::CreateFileW(W(eml).c_str(), GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
#endif
        components::MessageImportArguments arguments;
        arguments.folderPath = W(folderPath);
        arguments.attachmentName = L"name text";
        arguments.owner = L"Admin";
        arguments.emlPath = W(eml);
        arguments.sourceTimeText = L"06/12/2026 09:05 AM";
        // Only the file carries the text: a file the component cannot open
        // gives an empty message, which the tests' checks see.
        arguments.messageText.clear();
        std::string result = U(m_parser.ImportMessage(arguments).text);
#ifdef _WIN32
        ::CloseHandle(held);
#endif
        std::filesystem::remove(eml);
        return result;
    }
    void Shutdown() { m_registry.Shutdown(); }

private:
    quillon::StoreRegistry m_registry;
    components::CDirectMailParser m_parser;
};

inline bool IsOk(const std::string& result) { return result.compare(0, 2, "OK") == 0; }

}  // namespace component_test
