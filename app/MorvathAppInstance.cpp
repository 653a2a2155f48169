// The one application object of the program; the test programs have none.
#include "app/MorvathApp.h"

CMorvathApp theApp;
