#include "text/CodePage.h"

namespace mailbox {

// Away from Windows there is no ANSI code page: use the Western one, which
// the marker bytes and the trim set are defined in.
const CodePage& SystemCodePage() { return Windows1252(); }

}  // namespace mailbox
