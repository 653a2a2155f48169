#include <windows.h>

#include "text/CodePage.h"

namespace mailbox {
namespace {

class AnsiCodePage final : public CodePage {
public:
    std::wstring Decode(const uint8_t* bytes, size_t size) const override {
        if (size == 0) return {};
        const char* text = reinterpret_cast<const char*>(bytes);
        // A text is at most one block long, so int holds its length.
        int length = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(size), nullptr, 0);
        std::wstring wide(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(size), &wide[0], length);
        return wide;
    }
    std::wstring ToUpper(const std::wstring& text) const override {
        std::wstring upper(text);
        if (!upper.empty()) CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
        return upper;
    }
};

}  // namespace

const CodePage& SystemCodePage() {
    static const AnsiCodePage codePage;
    return codePage;
}

}  // namespace mailbox
