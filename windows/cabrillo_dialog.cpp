#include "windows/cabrillo_dialog.h"

bool RunCabrilloDialog(HeaderDialogValues&) { return false; }
