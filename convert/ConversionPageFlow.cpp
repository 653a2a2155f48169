// Puts the conversion page into the page flow of the program that links this
// file (the program does; the page tests drive the page themselves).
#include "convert/FileSave.h"
#include "wizard/PageFlow.h"

namespace {
const bool kConversionPageInstalled = (pageflow::RunConversionPage = RunConversionPageModal, true);
}  // namespace
