#pragma once
// What a page includes to have the whole framework layer.
#include <windows.h>
#include <commctrl.h>

#include "App.h"
#include "Controls.h"
#include "Dialog.h"
#include "ErrorReport.h"
#include "Handles.h"
#include "MessageMap.h"
#include "Seams.h"
#include "String.h"
#include "Worker.h"
#include "Wnd.h"
