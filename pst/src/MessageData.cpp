#include "pst/MessageData.h"

namespace pst {

size_t SubjectPrefixLength(const std::string& subject) {
    // One to three characters, none a colon, blank or digit, then a colon and
    // any number of blanks, none included. The blanks stay with the prefix so
    // that the prefix is the subject's initial substring and prefix plus
    // normalized subject give back the subject.
    size_t codePoints = 0;
    size_t i = 0;
    for (; i < subject.size() && subject[i] != ':'; ++i) {
        unsigned char c = static_cast<unsigned char>(subject[i]);
        if (c == ' ' || (c >= '0' && c <= '9')) return 0;
        if ((c & 0xC0) != 0x80 && ++codePoints > 3) return 0;
    }
    if (i == subject.size() || codePoints == 0) return 0;
    for (++i; i < subject.size() && subject[i] == ' ';) ++i;
    return i;
}

}  // namespace pst
