#include "mail/HeaderParameters.h"

#include <algorithm>
#include <vector>

#include "mail/Charset.h"
#include "mail/EncodedWords.h"
#include "mail/HeaderBlock.h"
#include "HexDigit.h"
#include "text/AsciiCase.h"

namespace mail {
namespace {

struct Section {
    int index = -1;  // -1: a parameter without a section number
    bool extended = false;
    std::string text;
};

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// Joins the sections of one RFC 2231 parameter into UTF-8 text.
std::string JoinSections(std::vector<Section> sections) {
    std::stable_sort(sections.begin(), sections.end(),
                     [](const Section& a, const Section& b) { return a.index < b.index; });
    std::string charset, bytes;
    for (size_t i = 0; i < sections.size(); ++i) {
        std::string_view text = sections[i].text;
        if (sections[i].extended) {
            if (i == 0) {
                // charset'language'value; a section without the quotes is all value.
                size_t first = text.find('\'');
                size_t second = first == std::string_view::npos ? first : text.find('\'', first + 1);
                if (second != std::string_view::npos) {
                    charset = std::string(text.substr(0, first));
                    text = text.substr(second + 1);
                }
            }
            bytes += PercentDecode(text);
        } else {
            bytes += text;
        }
    }
    return DecodeCharset(bytes, charset);
}

}  // namespace

std::string ParameterizedValue::Parameter(const std::string& name) const {
    auto found = parameters.find(name);
    return found == parameters.end() ? std::string() : found->second;
}

std::string ParameterizedValue::RawParameter(const std::string& name) const {
    auto found = rawParameters.find(name);
    return found == rawParameters.end() ? std::string() : found->second;
}

ParameterizedValue ParseParameterizedValue(std::string_view raw) {
    ParameterizedValue result;
    size_t semicolon = raw.find(';');
    for (char c : raw.substr(0, semicolon))
        if (c != ' ' && c != '\t' && c != '"') result.value.push_back(mailbox::LowerAscii(c));
    if (semicolon == std::string_view::npos) return result;

    std::map<std::string, std::vector<Section>> extended;
    size_t at = semicolon + 1;
    while (at < raw.size()) {
        size_t equals = raw.find_first_of("=;", at);
        if (equals == std::string_view::npos) break;
        if (raw[equals] == ';') {
            at = equals + 1;
            continue;
        }
        std::string name = mailbox::LowerAscii(TrimBlanks(raw.substr(at, equals - at)));
        size_t valueStart = raw.find_first_not_of(" \t", equals + 1);
        std::string value;
        if (valueStart == std::string_view::npos) {
            at = raw.size();
        } else if (raw[valueStart] == '"') {
            size_t i = valueStart + 1;
            for (; i < raw.size() && raw[i] != '"'; ++i) {
                if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
                value.push_back(raw[i]);
            }
            size_t next = raw.find(';', i);
            at = next == std::string_view::npos ? raw.size() : next + 1;
        } else {
            size_t end = raw.find(';', valueStart);
            value =
                std::string(TrimBlanks(raw.substr(valueStart, end == std::string_view::npos ? end : end - valueStart)));
            at = end == std::string_view::npos ? raw.size() : end + 1;
        }
        if (name.empty()) continue;

        size_t star = name.find('*');
        if (star == std::string::npos) {
            result.rawParameters.emplace(name, value);
            result.parameters.emplace(name, DecodeHeaderText(value));
            continue;
        }
        Section section;
        section.text = value;
        section.extended = name.back() == '*';
        std::string number = name.substr(star + 1, name.size() - star - 1 - (section.extended ? 1 : 0));
        if (!number.empty()) {
            if (number.size() > 4 || number.find_first_not_of("0123456789") != std::string::npos) continue;
            section.index = std::stoi(number);
        }
        extended[name.substr(0, star)].push_back(std::move(section));
    }
    // An RFC 2231 form wins over a plain parameter of the same name.
    for (auto& [name, sections] : extended) result.parameters[name] = JoinSections(std::move(sections));
    return result;
}

}  // namespace mail
