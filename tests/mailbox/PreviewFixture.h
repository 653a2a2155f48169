#pragma once
// What the preview page and analysis dialog tests share: a source made by the
// sample generator, the wizard state a Convert leaves behind, and a pump that
// runs the page's messages until something holds.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sample/SampleSource.h"
#include "tests/support/PageTestSupport.h"
#include "wizard/PageFlow.h"
#include "wizard/WizardGlobals.h"

namespace previewtest {

// Runs messages until `done` holds or the time is up; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int milliseconds = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::Sleep(2);
    }
    return true;
}

inline void PumpFor(int milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

// The generator writes its expectations in UTF-8.
inline std::wstring Wide(const std::string& utf8) {
    int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

inline int ListRows(HWND list) { return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

inline std::wstring ListText(HWND list, int row, int column) {
    wchar_t buffer[1024] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

class PreviewFixture : public ProgramFolderTest {
protected:
    void SetUp() override {
        sample::SampleOptions options;
        options.messages = 120;
        std::string error;
        std::wstring path = sourceFolder.file(L"sample.edb");
        ASSERT_TRUE(sample::WriteSample(std::string(path.begin(), path.end()), options, expected, error)) << error;
        ASSERT_GT(expected.messageCount, 50u);
        sourcePath = path;
        conversions = 0;
        pageflow::RunConversionPage = [](CWnd*) { ++conversions; };
    }
    void TearDown() override { pageflow::RestoreAll(); }

    // The wizard state the mailbox page's Convert leaves for the preview.
    void SelectMailboxes(const std::vector<CString>& names) {
        g_selectedMailboxes.Free();
        for (const CString& name : names) g_selectedMailboxes.Append(name);
        g_selectedCountText = CString(std::to_wstring(names.size()));
        g_currentMailboxName = names.empty() ? CString() : names.front();
        g_analysisSourcePath = sourcePath.c_str();
        g_conversionSourcePath = sourcePath.c_str();
    }

    TempFolder sourceFolder;
    std::wstring sourcePath;
    sample::Expectation expected;
    static inline int conversions = 0;
};

}  // namespace previewtest
