// What the Windows program shows, read from outside as any other program
// could: its windows with their place, caption and state, and every control
// in them with its class, place and text (list boxes with their row height,
// selection and items), read with SendMessage, and what a screen reader finds
// in them. One line per thing, fields separated by tabs, UTF-8.
//
//   probe windows            the top-level windows of class LunivarForm
//   probe accessible         what a screen reader finds in them (MSAA): each
//                            window's client and its children, with role,
//                            name, state, default action, shortcut,
//                            description and value; a list's items after it
//   probe press NAME         does the default action of the child so named
//   probe restore            restores the minimised windows
//   probe events SECONDS     the focus, name, description and value events
//                            a screen reader is told meanwhile
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring &w) {
    std::string out(std::size_t(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), out.data(), int(out.size()), nullptr, nullptr);
    return out;
}

void line(const std::wstring &w) {
    const std::string s = utf8(w) + "\n";
    std::fwrite(s.data(), 1, s.size(), stdout);
}

std::wstring textOf(HWND hwnd) {
    std::wstring t(std::size_t(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    t.resize(std::size_t(SendMessageW(hwnd, WM_GETTEXT, t.size(), LPARAM(t.data()))));
    return t;
}

std::wstring classOf(HWND hwnd) {
    wchar_t c[64] = {};
    GetClassNameW(hwnd, c, 64);
    return c;
}

std::wstring n(long long v) { return std::to_wstring(v); }
std::wstring n_role(const VARIANT &v) { return v.vt == VT_I4 ? std::to_wstring(v.lVal) : L"?"; }
std::wstring n_state(const VARIANT &v) { return v.vt == VT_I4 ? std::to_wstring(v.lVal) : L"?"; }

BOOL CALLBACK child(HWND hwnd, LPARAM top) {
    // Places in the top-level window's client area, as the layouts give them.
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, HWND(top), reinterpret_cast<POINT *>(&r), 2);
    std::wstring l = L"child\t" + classOf(hwnd) + L"\t" + n(r.left) + L"\t" + n(r.top) + L"\t" + n(r.right - r.left) +
                     L"\t" + n(r.bottom - r.top) + L"\t" + n(IsWindowVisible(hwnd)) + L"\t" + textOf(hwnd);
    if (classOf(hwnd) == L"ListBox") {
        const int count = int(SendMessageW(hwnd, LB_GETCOUNT, 0, 0));
        l += L"\t" + n(SendMessageW(hwnd, LB_GETITEMHEIGHT, 0, 0)) + L"\t" + n(SendMessageW(hwnd, LB_GETCURSEL, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::wstring item(std::size_t(SendMessageW(hwnd, LB_GETTEXTLEN, WPARAM(i), 0)) + 1, L'\0');
            item.resize(std::size_t(SendMessageW(hwnd, LB_GETTEXT, WPARAM(i), LPARAM(item.data()))));
            l += L"\t" + item;
        }
    }
    line(l);
    return TRUE;
}

BOOL CALLBACK topLevel(HWND hwnd, LPARAM) {
    if (classOf(hwnd) != L"LunivarForm") return TRUE;
    RECT r;
    GetWindowRect(hwnd, &r);
    line(L"window\t" + n(LONG_PTR(hwnd)) + L"\t" + n(r.left) + L"\t" + n(r.top) + L"\t" + n(r.right - r.left) + L"\t" +
         n(r.bottom - r.top) + L"\t" + n(IsWindowVisible(hwnd)) + L"\t" + n(IsWindowEnabled(hwnd)) + L"\t" +
         n(IsIconic(hwnd)) + L"\t" + textOf(hwnd));
    EnumChildWindows(hwnd, child, LPARAM(hwnd));
    return TRUE;
}

std::wstring bstr(HRESULT hr, BSTR b) {
    std::wstring out = SUCCEEDED(hr) && b ? std::wstring(b) : std::wstring();
    if (b) SysFreeString(b);
    return out;
}

// Role, name, state, default action, shortcut and description of a child of `acc`.
std::wstring describe(IAccessible *acc, LONG child) {
    VARIANT id;
    id.vt = VT_I4;
    id.lVal = child;
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    acc->get_accRole(id, &role);
    acc->get_accState(id, &state);
    // Each text asked for before it is read.
    auto ask = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR *)) {
        BSTR b = nullptr;
        const HRESULT hr = (acc->*get)(id, &b);
        return bstr(hr, b);
    };
    const std::wstring n = ask(&IAccessible::get_accName), a = ask(&IAccessible::get_accDefaultAction),
                       k = ask(&IAccessible::get_accKeyboardShortcut), d = ask(&IAccessible::get_accDescription),
                       v = ask(&IAccessible::get_accValue);
    return n_role(role) + L"\t" + n_state(state) + L"\t" + n + L"\t" + a + L"\t" + k + L"\t" + d + L"\t" + v;
}

// Each accessible child of `acc`, as an object of its own or a simple element.
template <class F> void children(IAccessible *acc, F f) {
    LONG count = 0;
    acc->get_accChildCount(&count);
    std::vector<VARIANT> kids(std::size_t(count > 0 ? count : 0));
    LONG got = 0;
    if (count > 0) AccessibleChildren(acc, 0, count, kids.data(), &got);
    for (LONG i = 0; i < got; ++i) {
        VARIANT &v = kids[std::size_t(i)];
        if (v.vt == VT_DISPATCH && v.pdispVal) {
            IAccessible *child = nullptr;
            if (SUCCEEDED(v.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void **>(&child))) && child) {
                f(child, LONG(CHILDID_SELF));
                child->Release();
            }
        } else if (v.vt == VT_I4) {
            f(acc, v.lVal);
        }
        VariantClear(&v);
    }
}

BOOL CALLBACK accessibleWindow(HWND hwnd, LPARAM press) {
    if (classOf(hwnd) != L"LunivarForm" || !IsWindowVisible(hwnd)) return TRUE;
    IAccessible *acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, DWORD(OBJID_CLIENT), __uuidof(IAccessible), reinterpret_cast<void **>(&acc))) || !acc)
        return TRUE;
    const auto *name = reinterpret_cast<const std::wstring *>(press);
    if (!name) line(L"client\t" + describe(acc, CHILDID_SELF));
    children(acc, [&](IAccessible *child, LONG id) {
        if (name) {
            BSTR b = nullptr;
            VARIANT self;
            self.vt = VT_I4;
            self.lVal = id;
            const HRESULT hr = child->get_accName(self, &b);
            if (bstr(hr, b) == *name) line(L"pressed\t" + n(child->accDoDefaultAction(self)));
            return;
        }
        line(L"child\t" + describe(child, id));
        if (id == LONG(CHILDID_SELF))
            children(child, [&](IAccessible *list, LONG item) { line(L"item\t" + describe(list, item)); });
    });
    acc->Release();
    return TRUE;
}

BOOL CALLBACK restore(HWND h, LPARAM) {
    if (classOf(h) == L"LunivarForm" && IsIconic(h)) ShowWindow(h, SW_RESTORE), SetForegroundWindow(h);
    return TRUE;
}

// What a screen reader is told: each focus, name, description and value
// event of the program's windows, with the object's role, name and
// description as AccessibleObjectFromEvent finds it then.
void CALLBACK told(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (!hwnd || classOf(GetAncestor(hwnd, GA_ROOT)) != L"LunivarForm" || object != OBJID_CLIENT) return;
    IAccessible *acc = nullptr;
    VARIANT id;
    VariantInit(&id);
    if (FAILED(AccessibleObjectFromEvent(hwnd, DWORD(object), DWORD(child), &acc, &id)) || !acc) return;
    static const std::pair<DWORD, const wchar_t *> names[] = {{EVENT_OBJECT_FOCUS, L"focus"}, {EVENT_OBJECT_NAMECHANGE, L"name"},
        {EVENT_OBJECT_DESCRIPTIONCHANGE, L"description"}, {EVENT_OBJECT_VALUECHANGE, L"value"}};
    for (const auto &[e, what] : names)
        if (e == event) line(std::wstring(L"event\t") + what + L"\t" + describe(acc, id.lVal));
    acc->Release();
    std::fflush(stdout);
}

} // namespace

int wmain(int argc, wchar_t **argv) {
    const std::wstring what = argc > 1 ? argv[1] : L"";
    if (what == L"windows") {
        EnumWindows(topLevel, 0);
    } else if (what == L"events" && argc > 2) {
        // For the given seconds.
        CoInitialize(nullptr);
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, told, 0, 0, WINEVENT_OUTOFCONTEXT);
        line(L"listening");
        std::fflush(stdout);
        const DWORD end = GetTickCount() + DWORD(_wtoi(argv[2])) * 1000;
        MSG msg;
        while (GetTickCount() < end)
            if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    } else if (what == L"restore") {
        EnumWindows(restore, 0);
    } else if (what == L"accessible" || (what == L"press" && argc > 2)) {
        CoInitialize(nullptr);
        const std::wstring name = argc > 2 ? argv[2] : L"";
        EnumWindows(accessibleWindow, what == L"press" ? LPARAM(&name) : 0);
    } else {
        return 2;
    }
    return 0;
}
