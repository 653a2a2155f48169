// Puts the search page into the page flow of the program that links this file
// (the program does; the page tests drive the page themselves).
#include "search/Search.h"
#include "wizard/PageFlow.h"

namespace {
const bool kSearchPageInstalled = (pageflow::RunSearchPage = RunSearchPageModal, true);
}  // namespace
