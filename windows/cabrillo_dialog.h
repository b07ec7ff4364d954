#pragma once

#include "engine/platform.h"
#include "windows/dialog_base.h"

// The Cabrillo header dialog (template 101): its ten values go into the controls when it opens
// and come back from them after OK.
class Cabrillo final : public DialogBase {
public:
    explicit Cabrillo(HeaderDialogValues values);

    const HeaderDialogValues& values() const { return m_values; }

protected:
    BOOL onInitDialog() override;
    void onOk() override;

private:
    void showCategory();

    HeaderDialogValues m_values;
};

// Shows the dialog modally on the calling thread, owned by its active window.
// True after OK, with the values taken back from the controls.
bool RunCabrilloDialog(HeaderDialogValues& values);
