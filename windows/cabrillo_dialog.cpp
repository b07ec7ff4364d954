#include "windows/cabrillo_dialog.h"

#include <string>
#include <utility>

#include "resources/resource_ids.h"

namespace {

// The text controls and the value each one shows; the category has its own handling.
using TextField = std::pair<int, std::string HeaderDialogValues::*>;
constexpr TextField kTextFields[] = {
    {IDC_CABRILLO_CALLSIGN, &HeaderDialogValues::callsign},
    {IDC_CABRILLO_CLAIMED, &HeaderDialogValues::claimed},
    {IDC_CABRILLO_CLUB, &HeaderDialogValues::club},
    {IDC_CABRILLO_CONTEST, &HeaderDialogValues::contest},
    {IDC_CABRILLO_EMAIL, &HeaderDialogValues::email},
    {IDC_CABRILLO_NAME, &HeaderDialogValues::name},
    {IDC_CABRILLO_OPERATORS, &HeaderDialogValues::operators},
    {IDC_CABRILLO_SOAPBOX, &HeaderDialogValues::soapbox},
    {IDC_CABRILLO_ADDRESS, &HeaderDialogValues::address},
};

}  // namespace

Cabrillo::Cabrillo(HeaderDialogValues values) : DialogBase(IDD_CABRILLO), m_values(std::move(values)) {}

BOOL Cabrillo::onInitDialog() {
    for (const auto& [id, field] : kTextFields) setItemText(id, m_values.*field);
    showCategory();
    return TRUE;
}

// The first list entry that begins with the category (letter case aside), else the text itself.
void Cabrillo::showCategory() {
    HWND combo = GetDlgItem(window(), IDC_CABRILLO_CATEGORY);
    const LRESULT selected = SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(m_values.category.c_str()));
    if (selected == CB_ERR) SetWindowTextA(combo, m_values.category.c_str());
}

void Cabrillo::onOk() {
    for (const auto& [id, field] : kTextFields) m_values.*field = itemText(id);
    m_values.category = itemText(IDC_CABRILLO_CATEGORY);
    endDialog(IDOK);
}

bool RunCabrilloDialog(HeaderDialogValues& values) {
    Cabrillo dialog(values);
    if (dialog.runModal(GetActiveWindow()) != IDOK) return false;
    values = dialog.values();
    return true;
}
