#pragma once

#include "engine/platform.h"

// Shows the modal Cabrillo header dialog (template 101) on the calling thread.
// True after OK, with the values taken back from the controls.
bool RunCabrilloDialog(HeaderDialogValues& values);
