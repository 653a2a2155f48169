#pragma once
// Structured header values such as Content-Type and Content-Disposition:
// "value; name=token; name="quoted string"", with RFC 2231 extended
// parameters (name*=charset'lang'%XX, continuations name*0, name*1*, ...).

#include <map>
#include <string>
#include <string_view>

namespace mail {

struct ParameterizedValue {
    std::string value;  // lower case, without blanks: "multipart/mixed"
    // Parameter names in lower case. `parameters` holds the values as UTF-8
    // text (encoded words and RFC 2231 decoded); `rawParameters` the bytes as
    // written, unquoted, for values that must not be decoded (boundaries).
    std::map<std::string, std::string> parameters;
    std::map<std::string, std::string> rawParameters;

    std::string Parameter(const std::string& name) const;
    std::string RawParameter(const std::string& name) const;
};

// Never fails: a missing closing quote ends the value at the end of the
// text, a parameter without '=' is skipped.
ParameterizedValue ParseParameterizedValue(std::string_view raw);

}  // namespace mail
