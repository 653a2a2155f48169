#include <filesystem>
#include <fstream>
#include <iterator>

#include "quillon/core/MessageFileRead.h"

namespace quillon {

std::string ReadMessageFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quillon
