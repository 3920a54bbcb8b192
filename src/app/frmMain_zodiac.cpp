// The main window's lookup and its date lists.
#include "app/frmMain.h"

#include "ui/app.h"
#include "rules/zodiac.h"

using namespace ui;

void frmMain::ShowZodiacInfo() {
    const std::int16_t m = lstMonth.ListIndex();
    if (!zodiac::validMonth(m)) {
        MsgBox(zodiac::failureMessageText(), zodiac::FailureMessageStyle, zodiac::failureMessageTitle());
        return;
    }
    const zodiac::SignBoundary &row = zodiac::SignBoundaryTable[std::size_t(m)];
    auto write = [this](int s) {
        const zodiac::FieldTexts t = zodiac::fieldTexts(s, ZodiacSignTable, PreciousStoneTable, TalismanTable);
        txtSign.setText(t.sign);
        txtZ.setText(t.glyph);
        txtPair.setText(t.pair);
        txtPercStone.setText(t.stone);
        txtTalis.setText(t.talisman);
    };
    // Both comparisons, each with the day read afresh; exactly one writes.
    if (zodiac::onFirstSign(row, lstDay.ListIndex())) write(row.first);
    if (zodiac::onSecondSign(row, lstDay.ListIndex())) write(row.second);
}

// Both lists keep the day valid for the month.
static void fixDay(ListBox &lstDay, ListBox &lstMonth) {
    if (auto d = zodiac::fixedDay(lstMonth.ListIndex(), lstDay.ListIndex())) lstDay.setListIndex(*d);
}

void frmMain::lstDay_Click() { fixDay(lstDay, lstMonth); }
void frmMain::lstMonth_Click() { fixDay(lstDay, lstMonth); }
