#pragma once
// The temporary message file is written in text mode, so a CR LF of the source
// arrives as CR CR LF, a bare LF as CR LF, and the system's own "From:" and
// "To:" lines end with a bare CR. Everything after this step sees CR LF only.

#include <string>
#include <string_view>

namespace mail {

// A run of CRs followed by LF is one line end; a CR not followed by LF (after
// its run) ends one line per CR; a bare LF is one line end.
std::string NormalizeLineEndings(std::string_view text);

}  // namespace mail
