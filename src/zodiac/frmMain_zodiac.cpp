// The main window's lookup and its date lists.
#include "app/frmMain.h"

#include "ui/app.h"
#include "zodiac/signs.h"

using namespace ui;

void frmMain::ShowZodiacInfo() {
    const std::int16_t m = lstMonth.ListIndex();
    if (m < 0 || m > 11) {
        MsgBox(zodiac::failureMessageText(), zodiac::FailureMessageStyle, zodiac::failureMessageTitle());
        return;
    }
    const zodiac::SignBoundary &row = zodiac::SignBoundaryTable[std::size_t(m)];
    auto write = [this](int s) {
        const auto &a = zodiac::SignAttributeTable[std::size_t(s)];
        txtSign.setText(ZodiacSignTable[std::size_t(s)]);
        txtZ.setText(zodiac::glyphText(s));
        txtPair.setText(zodiac::pairText(s, ZodiacSignTable));
        txtPercStone.setText(PreciousStoneTable[std::size_t(a.stone)]);
        txtTalis.setText(TalismanTable[std::size_t(a.talisman)]);
    };
    if (lstDay.ListIndex() <= row.lastDayOfFirst) write(row.first);
    if (lstDay.ListIndex() >= row.lastDayOfFirst + 1) write(row.second);
}

// Both lists keep the day valid for the month.
static void fixDay(ListBox &lstDay, ListBox &lstMonth) {
    if (auto d = zodiac::fixedDay(lstMonth.ListIndex(), lstDay.ListIndex())) lstDay.setListIndex(*d);
}

void frmMain::lstDay_Click() { fixDay(lstDay, lstMonth); }
void frmMain::lstMonth_Click() { fixDay(lstDay, lstMonth); }
