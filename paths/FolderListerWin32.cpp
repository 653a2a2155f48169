#include <windows.h>

#include "paths/FileFinder.h"

namespace search {
namespace {

class Win32FolderLister final : public FolderLister {
public:
    void List(const std::wstring& folder, const std::wstring& mask,
              const std::function<bool(const FolderEntry&)>& visit) override {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder + mask).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            if (!visit({data.cFileName, data.dwFileAttributes})) break;
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
};

}  // namespace

std::unique_ptr<FolderLister> MakeSystemFolderLister() { return std::make_unique<Win32FolderLister>(); }

}  // namespace search
