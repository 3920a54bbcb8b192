// The floor the Windows program's start-up is measured against: a popup
// window of the main window's size, centred, with one label, built by the
// same compiler with the same flags; nothing more.
#include <windows.h>

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
    HWND label = CreateWindowExW(0, L"STATIC", L"Лунивар 5.3", WS_CHILD | WS_VISIBLE, 150, 8, 100, 20, w, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ShowWindow(w, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
