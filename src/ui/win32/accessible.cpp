// What a screen reader (Narrator, NVDA) finds of the windows through MSAA:
// each window's client is an object named as the toolkit names the window,
// whose children are the controls the toolkit announces, in reading order,
// with their names, roles, states, shortcuts and default action; a list's
// children are its items. Decorations, shadows and the captions inside
// buttons are not among them, and a screen reader pointing at one finds the
// window. The system libraries this needs are loaded at the first question.
#include "backend_win32.h"

#include <oleacc.h>

#include <algorithm>
#include <map>

namespace ui::win32 {

namespace {

// The functions of the system's accessibility and COM libraries, loaded
// when a screen reader first asks.
struct Api {
    decltype(&LresultFromObject) lresultFromObject = nullptr;
    decltype(&CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
    decltype(&SysAllocString) sysAllocString = nullptr;
    bool loaded = false;

    bool load() {
        if (loaded) return lresultFromObject && createStdAccessibleObject && sysAllocString;
        loaded = true;
        HMODULE ole32 = LoadLibraryW(L"ole32.dll"), oleacc = LoadLibraryW(L"oleacc.dll"), oleaut = LoadLibraryW(L"oleaut32.dll");
        if (!ole32 || !oleacc || !oleaut) return false;
        // The answers go to other processes through COM: this thread is a
        // single-threaded apartment, its calls come through the message loop.
        if (auto init = reinterpret_cast<decltype(&CoInitializeEx)>(reinterpret_cast<void *>(GetProcAddress(ole32, "CoInitializeEx"))))
            init(nullptr, COINIT_APARTMENTTHREADED);
        lresultFromObject = reinterpret_cast<decltype(lresultFromObject)>(reinterpret_cast<void *>(GetProcAddress(oleacc, "LresultFromObject")));
        createStdAccessibleObject = reinterpret_cast<decltype(createStdAccessibleObject)>(
            reinterpret_cast<void *>(GetProcAddress(oleacc, "CreateStdAccessibleObject")));
        sysAllocString = reinterpret_cast<decltype(sysAllocString)>(reinterpret_cast<void *>(GetProcAddress(oleaut, "SysAllocString")));
        return lresultFromObject && createStdAccessibleObject && sysAllocString;
    }
} api;

HRESULT text(BSTR *out, const String &s) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (s.empty()) return S_FALSE;
    *out = api.sysAllocString(wide(s).c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

VARIANT number(LONG v) {
    VARIANT r;
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

// The native sides the toolkit holds are this backend's own.
HWND hwndOf(const Form &f) { return static_cast<FormWindow &>(f.native()).hwnd; }
// A list's or a field's window of the system.
HWND systemWindow(const Control &c) { return c.field() ? static_cast<SystemControl *>(c.field())->hwnd : nullptr; }
bool hasKeyboard(const Control &c) {
    const HWND focus = GetFocus();
    return systemWindow(c) ? focus == systemWindow(c) : focus == hwndOf(c.form()) && c.hasFocus();
}
bool visibleOnScreen(const Control &c) { return c.shownInWindow() && IsWindowVisible(hwndOf(c.form())); }
// Device pixels on the screen.
RECT screenRect(const Control &c) {
    const int s = backend().scale;
    const Rect r = c.placeInFrame();
    RECT d{r.x * s, r.y * s, (r.x + r.w) * s, (r.y + r.h) * s};
    MapWindowPoints(hwndOf(c.form()), nullptr, reinterpret_cast<POINT *>(&d), 2);
    return d;
}

class Node;
std::map<const void *, Node *> nodes; // by the form or control they stand for

// The accessible object of a window's client (control null) or of a control.
class Node final : public IAccessible {
public:
    Node(Form *form, Control *control) : form_(form), control_(control) {}

    // The window or the control is gone: what is asked of it now fails.
    void disconnect() { form_ = nullptr, control_ = nullptr; }
    bool of(const Form &form) const { return form_ == &form; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return ULONG(n);
    }

    // IDispatch: not by name; the interface's own methods serve.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *n) override {
        if (n) *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch **out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!form_) return RPC_E_DISCONNECTED;
        if (control_) return of(*form_, nullptr)->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void **>(out));
        // The window's client lies in the window itself, as the system shows it.
        return api.createStdAccessibleObject(hwndOf(*form_), OBJID_WINDOW, __uuidof(IDispatch), reinterpret_cast<void **>(out));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG *out) override {
        if (!out) return E_POINTER;
        if (!form_) return RPC_E_DISCONNECTED;
        *out = !control_ ? LONG(form_->accessibleChildren().size()) : list() ? list()->ListCount() : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch **out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!form_) return RPC_E_DISCONNECTED;
        if (control_) return valid(id) && id.lVal != CHILDID_SELF ? S_FALSE : E_INVALIDARG; // list items are simple
        const std::vector<Control *> children = form_->accessibleChildren();
        if (id.vt != VT_I4 || id.lVal < 1 || id.lVal > LONG(children.size())) return E_INVALIDARG;
        return of(*form_, children[std::size_t(id.lVal - 1)])->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void **>(out));
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR *out) override {
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id)) return E_INVALIDARG;
        if (id.lVal != CHILDID_SELF) return text(out, list()->List(id.lVal - 1));
        return text(out, control_ ? control_->accessible().name : form_->accessible().name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR *out) override {
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id) || !out) return E_INVALIDARG;
        *out = nullptr;
        if (id.lVal != CHILDID_SELF || !control_) return DISP_E_MEMBERNOTFOUND;
        // A field's text as it is read: a symbol font's letters as their symbols.
        if (auto *t = dynamic_cast<TextBox *>(control_)) return text(out, t->spokenText());
        if (ListBox *l = list()) return text(out, l->List(l->ListIndex()));
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR *out) override {
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id)) return E_INVALIDARG;
        return text(out, control_ && id.lVal == CHILDID_SELF ? control_->accessible().description : String());
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT *out) override {
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id) || !out) return E_INVALIDARG;
        if (id.lVal != CHILDID_SELF) {
            *out = number(ROLE_SYSTEM_LISTITEM);
            return S_OK;
        }
        LONG role = ROLE_SYSTEM_CLIENT;
        if (control_) switch (control_->accessible().role) {
            case Role::PushButton: role = ROLE_SYSTEM_PUSHBUTTON; break;
            case Role::Label: role = ROLE_SYSTEM_STATICTEXT; break;
            case Role::Text: role = ROLE_SYSTEM_TEXT; break;
            case Role::List: role = ROLE_SYSTEM_LIST; break;
            default: break;
            }
        *out = number(role);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT *out) override {
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id) || !out) return E_INVALIDARG;
        LONG state = 0;
        if (id.lVal != CHILDID_SELF) {
            state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
            if (list()->ListIndex() == id.lVal - 1) {
                state |= STATE_SYSTEM_SELECTED;
                if (hasKeyboard(*control_)) state |= STATE_SYSTEM_FOCUSED;
            }
        } else if (control_) {
            if (!visibleOnScreen(*control_)) state |= STATE_SYSTEM_INVISIBLE;
            if (control_->takesFocus()) state |= STATE_SYSTEM_FOCUSABLE;
            if (hasKeyboard(*control_)) state |= STATE_SYSTEM_FOCUSED;
            if (control_->accessible().role == Role::Text && (GetWindowLongW(systemWindow(*control_), GWL_STYLE) & ES_READONLY))
                state |= STATE_SYSTEM_READONLY;
        } else if (!IsWindowEnabled(hwndOf(*form_))) {
            state |= STATE_SYSTEM_UNAVAILABLE;
        }
        *out = number(state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR *out) override { return text(out, String()); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR *file, VARIANT, LONG *topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR *out) override {
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id)) return E_INVALIDARG;
        return text(out, control_ && id.lVal == CHILDID_SELF ? control_->accessible().shortcut : String());
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT *out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        if (!form_) return RPC_E_DISCONNECTED;
        if (control_) {
            if (hasKeyboard(*control_)) *out = number(CHILDID_SELF);
            return out->vt == VT_EMPTY ? S_FALSE : S_OK;
        }
        for (Control *c : form_->accessibleChildren())
            if (hasKeyboard(*c)) {
                out->vt = VT_DISPATCH;
                return of(*form_, c)->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void **>(&out->pdispVal));
            }
        if (GetFocus() == hwndOf(*form_)) *out = number(CHILDID_SELF);
        return out->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT *out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        if (!form_) return RPC_E_DISCONNECTED;
        if (ListBox *l = list(); l && l->ListIndex() >= 0) *out = number(l->ListIndex() + 1);
        return out->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR *out) override {
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id)) return E_INVALIDARG;
        return text(out, pressable(id) ? String("Нажать") : String());
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(LONG *x, LONG *y, LONG *w, LONG *h, VARIANT id) override {
        if (!x || !y || !w || !h) return E_POINTER;
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id)) return E_INVALIDARG;
        RECT r{};
        if (!control_) {
            GetWindowRect(hwndOf(*form_), &r);
        } else if (id.lVal == CHILDID_SELF) {
            r = screenRect(*control_);
        } else {
            const HWND list = systemWindow(*control_);
            SendMessageW(list, LB_GETITEMRECT, WPARAM(id.lVal - 1), LPARAM(&r));
            MapWindowPoints(list, nullptr, reinterpret_cast<POINT *>(&r), 2);
        }
        *x = r.left, *y = r.top, *w = r.right - r.left, *h = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT *out) override {
        if (out) out->vt = VT_EMPTY;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT *out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        if (!form_) return RPC_E_DISCONNECTED;
        const POINT at{x, y};
        RECT r;
        if (control_) r = screenRect(*control_);
        else GetWindowRect(hwndOf(*form_), &r);
        if (!PtInRect(&r, at)) return S_FALSE;
        if (!control_)
            for (Control *c : form_->accessibleChildren()) {
                const RECT cr = screenRect(*c);
                if (PtInRect(&cr, at)) {
                    out->vt = VT_DISPATCH;
                    return of(*form_, c)->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void **>(&out->pdispVal));
                }
            }
        *out = number(CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
        if (!form_) return RPC_E_DISCONNECTED;
        if (!valid(id)) return E_INVALIDARG;
        if (!pressable(id)) return DISP_E_MEMBERNOTFOUND;
        // Pressed once the screen reader's call has returned: what the press
        // opens (the About window) does not keep the caller waiting.
        const auto &all = form_->controls();
        const auto at = std::find_if(all.begin(), all.end(), [&](const auto &c) { return c.get() == control_; });
        PostMessageW(hwndOf(*form_), FormWindow::PressMessage, 0, LPARAM(at - all.begin()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

    static Node *of(Form &form, Control *control) {
        const void *key = control ? static_cast<const void *>(control) : &form;
        Node *&n = nodes[key];
        if (!n) n = new Node(&form, control);
        return n;
    }

private:
    ~Node() = default;
    ListBox *list() const { return dynamic_cast<ListBox *>(control_); }
    // The object itself, or an item of its list.
    bool valid(const VARIANT &id) const {
        if (id.vt != VT_I4) return false;
        if (id.lVal == CHILDID_SELF) return true;
        return list() && id.lVal >= 1 && id.lVal <= list()->ListCount();
    }
    bool pressable(const VARIANT &id) const {
        return control_ && id.lVal == CHILDID_SELF && control_->accessible().role == Role::PushButton;
    }

    LONG refs_ = 1; // the one the table of nodes holds
    Form *form_;
    Control *control_;
};

} // namespace

LRESULT answerGetObject(Form &form, Control *control, WPARAM wp, LPARAM lp) {
    if (LONG(lp) != OBJID_CLIENT || !api.load()) return 0;
    // A control screen readers pass over answers as the window it lies in.
    if (control && control->accessible().role == Role::None) control = nullptr;
    return api.lresultFromObject(__uuidof(IAccessible), wp, Node::of(form, control));
}

void tellAccessible(Form &form, Control &control, AccessibleChange what) {
    static const DWORD events[] = {EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE,
                                   EVENT_OBJECT_DESCRIPTIONCHANGE};
    // A list or a field is a window of its own, whose focus the system tells;
    // a painted control is a child of its window's client.
    if (HWND own = systemWindow(control)) {
        if (what != AccessibleChange::Focus) NotifyWinEvent(events[int(what)], own, OBJID_CLIENT, CHILDID_SELF);
        return;
    }
    const std::vector<Control *> children = form.accessibleChildren();
    const auto at = std::find(children.begin(), children.end(), &control);
    if (at == children.end() || !IsWindowVisible(hwndOf(form))) return;
    const LONG child = LONG(at - children.begin()) + 1;
    // The system tells of its window taking the keyboard, and may do so a
    // moment later (Wine): the control is told of at once and after that.
    NotifyWinEvent(events[int(what)], hwndOf(form), OBJID_CLIENT, child);
    if (what == AccessibleChange::Focus) SetTimer(hwndOf(form), FormWindow::FocusTimer, 100, nullptr);
}

void forgetAccessible(const Form &form) {
    // The window's node and its controls' answer no more.
    for (auto it = nodes.begin(); it != nodes.end();) {
        if (!it->second->of(form)) {
            ++it;
            continue;
        }
        it->second->disconnect();
        it->second->Release();
        it = nodes.erase(it);
    }
}

} // namespace ui::win32
