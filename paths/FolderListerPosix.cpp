#include <dirent.h>
#include <sys/stat.h>

#include "paths/FileFinder.h"
#include "text/Utf8.h"

namespace search {
namespace {

// Backslashes are what the finder writes between levels; here they are
// folder separators like the forward slash.
std::string SystemPath(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return mailbox::ToUtf8(path);
}

class PosixFolderLister final : public FolderLister {
public:
    void List(const std::wstring& folder, const std::wstring& mask,
              const std::function<bool(const FolderEntry&)>& visit) override {
        std::string base = SystemPath(folder);
        DIR* stream = ::opendir(base.c_str());
        if (!stream) return;
        while (dirent* entry = ::readdir(stream)) {
            std::wstring name = mailbox::FromUtf8(entry->d_name);
            if (!MatchesMask(name, mask)) continue;
            struct stat status;
            uint32_t attributes = 0x80;  // normal
            if (::stat((base + entry->d_name).c_str(), &status) == 0 && S_ISDIR(status.st_mode))
                attributes = kDirectoryAttribute;
            if (!visit({name, attributes})) break;
        }
        ::closedir(stream);
    }
};

}  // namespace

std::unique_ptr<FolderLister> MakeSystemFolderLister() { return std::make_unique<PosixFolderLister>(); }

}  // namespace search
