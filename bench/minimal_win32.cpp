// The floors the Windows program's start-up is measured against: a popup
// window of the main window's size, centred, with one label, built by the
// same compiler with the same flags; nothing more. Built with FIELDS, the
// same window holds instead the program's native controls alone, where the
// program has them: two list boxes (12 months, 31 days) and five edit
// fields, with common controls 6 (the program's manifest).
#include <windows.h>

#include <string>

namespace {
LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"Minimal";
    RegisterClassW(&wc);
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + (area.right - area.left - 380) / 2, y = area.top + (area.bottom - area.top - 202) / 2;
    HWND w = CreateWindowExW(WS_EX_APPWINDOW, L"Minimal", L"Minimal", WS_POPUP, x, y, 380, 202, nullptr, nullptr, instance, nullptr);
#ifndef FIELDS
    HWND label = CreateWindowExW(0, L"STATIC", L"Лунивар 5.3", WS_CHILD | WS_VISIBLE, 150, 8, 100, 20, w, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
#else
    HFONT font = CreateFontW(-11, 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg");
    const struct { int x, y, w, h, items; } lists[] = {{8, 32, 49, 82, 31}, {64, 32, 121, 82, 12}};
    for (const auto &l : lists) {
        HWND h = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, l.x,
                                 l.y, l.w, l.h, w, nullptr, instance, nullptr);
        SendMessageW(h, WM_SETFONT, WPARAM(font), FALSE);
        SendMessageW(h, LB_SETITEMHEIGHT, 0, 13);
        for (int i = 1; i <= l.items; ++i) SendMessageW(h, LB_ADDSTRING, 0, LPARAM(std::to_wstring(i).c_str()));
        SendMessageW(h, LB_SETCURSEL, 0, 0);
    }
    const RECT fields[] = {{192, 48, 137, 19}, {192, 88, 177, 19}, {192, 128, 177, 19}, {192, 168, 177, 19}, {336, 40, 33, 33}};
    for (const RECT &f : fields) {
        HWND h = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_READONLY, f.left,
                                 f.top, f.right, f.bottom, w, nullptr, instance, nullptr);
        SendMessageW(h, WM_SETFONT, WPARAM(font), FALSE);
    }
#endif
    ShowWindow(w, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
