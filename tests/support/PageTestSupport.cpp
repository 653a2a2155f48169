#include "PageTestSupport.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "framework/Handles.h"
#include "framework/Seams.h"
#include "wizard/PageFlow.h"
#include "wizard/WizardGlobals.h"

SeamRecorder* SeamRecorder::current = nullptr;

namespace {

// The program registers the common control classes at start-up; the templates need them.
const bool g_commonControlsReady = [] {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    return ::InitCommonControlsEx(&controls) != FALSE;
}();

int FakeMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) {
    SeamRecorder* r = SeamRecorder::current;
    bool enabled = r->probeWindow && ::IsWindowEnabled(r->probeWindow);
    r->boxes.push_back({owner, text ? text : L"", caption ? caption : L"", flags, enabled});
    if (r->boxAnswers.empty()) return IDOK;
    int answer = r->boxAnswers.front();
    r->boxAnswers.pop_front();
    return answer;
}

BOOL FakeOpenFileDialog(OPENFILENAMEW* request) {
    SeamRecorder* r = SeamRecorder::current;
    r->fileDialogs.push_back(*request);
    std::wstring pick;
    if (!r->filesToPick.empty()) {
        pick = r->filesToPick.front();
        r->filesToPick.pop_front();
    }
    if (pick.empty() || pick.size() + 1 > request->nMaxFile) return FALSE;
    wcscpy(request->lpstrFile, pick.c_str());
    size_t slash = pick.rfind(L'\\');
    request->nFileOffset = static_cast<WORD>(slash == std::wstring::npos ? 0 : slash + 1);
    return TRUE;
}

PIDLIST_ABSOLUTE FakeBrowseForFolder(BROWSEINFOW* request) {
    SeamRecorder* r = SeamRecorder::current;
    r->folderBrowserTitles.push_back(request->lpszTitle ? request->lpszTitle : L"");
    std::wstring pick;
    if (!r->foldersToPick.empty()) {
        pick = r->foldersToPick.front();
        r->foldersToPick.pop_front();
    }
    return pick.empty() ? nullptr : ::ILCreateFromPathW(pick.c_str());
}

HINSTANCE FakeShellExecute(HWND, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, const wchar_t*,
                           int) {
    SeamRecorder* r = SeamRecorder::current;
    r->launches.push_back({verb ? verb : L"", file ? file : L"", parameters ? parameters : L""});
    const std::wstring& opened = r->launches.back().file;
    if (!r->helpViewerTitle.empty() && opened.size() > 4 && opened.compare(opened.size() - 4, 4, L".chm") == 0)
        r->openWindowTitles.push_back(r->helpViewerTitle);
    return reinterpret_cast<HINSTANCE>(42);
}

HWND FakeFindTopWindow(const wchar_t*, const wchar_t* title) {
    SeamRecorder* r = SeamRecorder::current;
    std::wstring text = title ? title : L"";
    r->windowLookups.push_back(text);
    for (const std::wstring& open : r->openWindowTitles) {
        if (open == text) return ::GetDesktopWindow();
    }
    return nullptr;
}

seam::RunAndWaitFn g_realRunProgramAndWait = nullptr;

bool FakeRunProgramAndWait(const wchar_t* program, const wchar_t* arguments) {
    SeamRecorder* r = SeamRecorder::current;
    r->launches.push_back({L"run", program ? program : L"", arguments ? arguments : L""});
    return r->runProgramsForReal ? g_realRunProgramAndWait(program, arguments) : true;
}

void FakeTerminate(UINT code) { SeamRecorder::current->terminations.push_back(code); }
void FakeExit(UINT code) { SeamRecorder::current->exits.push_back(code); }
void FakePause(DWORD milliseconds) { SeamRecorder::current->pauses.push_back(milliseconds); }

}  // namespace

SeamRecorder::SeamRecorder() {
    current = this;
    seam::ShowMessageBox = FakeMessageBox;
    seam::ShowOpenFileDialog = FakeOpenFileDialog;
    seam::BrowseForFolder = FakeBrowseForFolder;
    seam::ShellExecuteOpen = FakeShellExecute;
    seam::TerminateOwnProcess = FakeTerminate;
    seam::ExitOwnProcess = FakeExit;
    seam::FindTopWindow = FakeFindTopWindow;
    g_realRunProgramAndWait = seam::RunProgramAndWait;
    seam::RunProgramAndWait = FakeRunProgramAndWait;
    seam::PauseThread = FakePause;
}

SeamRecorder::~SeamRecorder() {
    seam::RestoreAll();
    pageflow::RestoreAll();
    current = nullptr;
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    m_path = std::wstring(base) + L"korvane-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter);
    ::CreateDirectoryW(m_path.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    std::wstring from = m_path + L'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&operation);
}

TestSettings::TestSettings() : m_key(L"KorvaneEDB_PST_Test_" + std::to_wstring(::GetCurrentProcessId())) {
    ResetWizardGlobals();
    g_settingsKey = m_key.c_str();
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CLASSES_ROOT, m_key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (key) ::RegCloseKey(key);
}

TestSettings::~TestSettings() {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, m_key.c_str());
    ResetWizardGlobals();
}

void TestSettings::Set(const wchar_t* name, const std::wstring& value) {
    ::RegSetKeyValueW(HKEY_CLASSES_ROOT, m_key.c_str(), name, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void TestSettings::Remove(const wchar_t* name) { ::RegDeleteKeyValueW(HKEY_CLASSES_ROOT, m_key.c_str(), name); }

ProgramFolderTest::ProgramFolderTest() {
    settings.Set(L"FilePath", programFolder.path());
    g_programFolder = programFolder.path().c_str();
    // A snapshot run names the real program folder: its pages show the real skin.
    wchar_t pictures[MAX_PATH] = {};
    DWORD length = ::GetEnvironmentVariableW(L"KORVANE_SNAPSHOT", pictures, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        for (const wchar_t* name : {L"\\Korvane-Exchange.bmp", L"\\Skin2.bmp"})
            ::CopyFileW((std::wstring(pictures) + name).c_str(), (programFolder.path() + name).c_str(), FALSE);
    }
}

std::string ReadWholeFile(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    ::CloseHandle(file);
    return bytes;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::wstring WindowText(HWND window) {
    wchar_t buffer[1024] = {};
    ::GetWindowTextW(window, buffer, 1024);
    return buffer;
}

void ShowAndPaint(HWND window) {
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);
}

std::vector<COLORREF> DrawnPixels(int width, int height, COLORREF paper, const std::function<void(HDC)>& draw) {
    WindowDcScope screen(nullptr);
    MemoryDc memory(screen.get());
    UniqueBitmap picture(::CreateCompatibleBitmap(screen.get(), width, height));
    SelectObjectScope select(memory.get(), picture.get());
    UniqueBrush fill(::CreateSolidBrush(paper));
    RECT all = {0, 0, width, height};
    ::FillRect(memory.get(), &all, fill.get());
    draw(memory.get());
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(::GetPixel(memory.get(), x, y));
    return pixels;
}

void WriteBitmapFile(const std::wstring& path, int width, int height, COLORREF colour) {
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
        row[static_cast<size_t>(x) * 3] = static_cast<char>(GetBValue(colour));
        row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    WriteWholeFile(path, bytes);
}

void SaveSnapshot(HWND window, const char* name) {
    if (!::GetEnvironmentVariableW(L"KORVANE_SNAPSHOT", nullptr, 0)) return;
    RECT rect;
    if (!::GetWindowRect(window, &rect)) return;
    auto pump = [](int milliseconds) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            ::Sleep(2);
        }
    };
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump(300);
    std::printf("SNAP %s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    std::fflush(stdout);
    pump(1500);
}

// Wine answers GetGuiResources with 0; there the count is read
// from its handle allocator instead: it hands out freed slots
// first, so the highest index among 4000 new brushes is the number of live
// objects plus 4000.
DWORD GdiObjects() {
    if (DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return count;
    constexpr DWORD kProbes = 4000;
    std::vector<UniqueBrush> probes;
    DWORD highest = 0;
    for (DWORD i = 0; i < kProbes; ++i) {
        probes.emplace_back(::CreateSolidBrush(RGB(i & 0xFF, 0, 0)));
        highest = std::max<DWORD>(highest, LOWORD(reinterpret_cast<ULONG_PTR>(probes.back().get())));
    }
    return highest > kProbes ? highest - kProbes : 0;
}

void ExpectNoGdiLeakPerOpening(const std::function<void()>& openOnce, DWORD allowed) {
    openOnce();
    const DWORD before = GdiObjects();
    for (int i = 0; i < 100; ++i) openOnce();
    EXPECT_LE(GdiObjects(), before + allowed) << "before " << before;
}
