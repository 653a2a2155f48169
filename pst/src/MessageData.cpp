#include "pst/MessageData.h"

namespace pst {

size_t SubjectPrefixLength(const std::string& subject) {
  // Count code points up to the first ':'; a prefix has 1 to 3 of them, none
  // a space or digit, and the colon is followed by a space.
  size_t codePoints = 0;
  for (size_t i = 0; i < subject.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(subject[i]);
    if (c == ':') {
      if (codePoints == 0 || i + 1 >= subject.size() || subject[i + 1] != ' ') return 0;
      return i + 2;
    }
    if (c == ' ' || (c >= '0' && c <= '9')) return 0;
    if ((c & 0xC0) != 0x80 && ++codePoints > 3) return 0;
  }
  return 0;
}

}  // namespace pst
