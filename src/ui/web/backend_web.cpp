// The toolkit's backend in a web page: what it asks of the page's script,
// and the events it takes from it.
#include "backend_web.h"

#include "ui/app.h"
#include "ui/units.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#define IMPORT(name) extern "C" __attribute__((import_module("lunivar"), import_name(#name)))

// The page's side (host.js). Texts are UTF-8 bytes; several values go as JSON.
IMPORT(wait) void js_wait(int maxMs); // the program sleeps until an event or the time
IMPORT(take_event) int js_take_event(std::int32_t *into, int capacity);
IMPORT(key_handled) void js_key_handled(int handled);
IMPORT(window_create) void js_window_create(int id, int taskbar, int icon);
IMPORT(window_destroy) void js_window_destroy(int id);
IMPORT(window_title) void js_window_title(int id, const char *title, int length);
IMPORT(window_place) void js_window_place(int id, int x, int y, int w, int h);
IMPORT(window_shown) void js_window_shown(int id, int shown, int owner, int modal);
IMPORT(window_state) void js_window_state(int id, int state);
IMPORT(window_region) void js_window_region(int id, const std::int32_t *rects, int count);
IMPORT(window_present) void js_window_present(int id, const std::uint8_t *rgba, int width, int height, int scale, int x,
                                              int y, int w, int h);
IMPORT(window_readers) void js_window_readers(int id, const char *json, int length);
IMPORT(window_focus) void js_window_focus(int id, int child);
IMPORT(window_announce) void js_window_announce(int id, const char *text, int length);
IMPORT(menu_show) void js_menu_show(int id, const char *json, int length);
IMPORT(message_show) void js_message_show(const char *json, int length);
IMPORT(field_create) void js_field_create(int id, int window, const char *json, int length);
IMPORT(field_destroy) void js_field_destroy(int id);
IMPORT(field_sync) void js_field_sync(int id, const char *json, int length);
IMPORT(field_focus) void js_field_focus(int id, int inside);
IMPORT(text_measure) void js_text_measure(const char *font, int fontLength, const char *text, int length, std::int32_t *size);
IMPORT(text_face) int js_text_face(const char *font, int length);
IMPORT(text_draw) void js_text_draw(std::uint8_t *rgba, int w, int h, const char *json, int length);
IMPORT(sound_play) int js_sound_play(const std::uint8_t *pcm, int length, int rate, int channels, int format);
IMPORT(clock_ms) double js_clock_ms();
IMPORT(month_name) int js_month_name(int month, char *into, int capacity);
IMPORT(screen) void js_screen(std::int32_t *into);
IMPORT(file_size) int js_file_size(const char *path, int length);
IMPORT(file_read) void js_file_read(const char *path, int length, std::uint8_t *into);
IMPORT(end) void js_end() __attribute__((noreturn));

// The space the program's stack is kept in while it sleeps.
alignas(8) static std::uint8_t sleepingStack[64 * 1024];
extern "C" __attribute__((export_name("lunivar_sleep_area"))) std::uint8_t *lunivarSleepArea() {
    auto *header = reinterpret_cast<std::uint32_t *>(sleepingStack);
    header[0] = std::uint32_t(reinterpret_cast<std::uintptr_t>(sleepingStack + 8));
    header[1] = std::uint32_t(reinterpret_cast<std::uintptr_t>(sleepingStack + sizeof sleepingStack));
    return sleepingStack;
}

namespace ui {

namespace web {

namespace {
WebBackend *current = nullptr;
int len(const String &s) { return int(s.size()); }

// A caption as the page draws it: its text without the access-key marks,
// and where its access key is among its letters (UTF-16 units), or -1.
String captionJson(const String &caption) {
    const String shown = withoutAccessKeys(caption), key = accessKeyOf(caption);
    int at = -1;
    if (!key.empty()) {
        // The marked letter: the first "&" not doubled.
        String before;
        for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
            if (caption[i] == '&' && caption[i + 1] == '&') ++i;
            else if (caption[i] == '&') break;
            before += caption[i];
        }
        at = 0;
        for (unsigned char c : before) at += (c & 0xC0) != 0x80 ? ((c & 0xF8) == 0xF0 ? 2 : 1) : 0;
    }
    return "{\"text\":" + quoted(shown) + ",\"key\":" + CStr(at) + "}";
}

// Pixels of a surface within `r` as the page takes them, red, green, blue and
// alpha bytes, and back.
void toPage(const Surface &s, const Rect &r, std::vector<std::uint8_t> &rgba) {
    rgba.resize(std::size_t(r.w) * std::size_t(r.h) * 4);
    std::uint8_t *out = rgba.data();
    for (int y = r.y; y < r.y + r.h; ++y)
        for (const std::uint32_t *p = s.row(y) + r.x, *end = p + r.w; p < end; ++p, out += 4)
            out[0] = std::uint8_t(*p >> 16), out[1] = std::uint8_t(*p >> 8), out[2] = std::uint8_t(*p), out[3] = 255;
}
void fromPage(Surface &s, const Rect &r, const std::vector<std::uint8_t> &rgba) {
    const std::uint8_t *in = rgba.data();
    for (int y = r.y; y < r.y + r.h; ++y)
        for (std::uint32_t *p = s.row(y) + r.x, *end = p + r.w; p < end; ++p, in += 4)
            *p = 0xFF000000u | std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2];
}
std::vector<std::uint8_t> pagePixels;

String fontJson(const FontDef &f) {
    return "{\"face\":" + quoted(f.face) + ",\"points\":" + CStr(long(f.points * 100)) + ",\"weight\":" + CStr(f.weight) + "}";
}
} // namespace

WebBackend &backend() { return *current; }

String quoted(const String &s) {
    String out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') out += '\\', out += char(c);
        else if (c < 0x20) out += "\\u00", out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
        else out += char(c);
    }
    return out + "\"";
}

// ---------------------------------------------------------------- windows

WebWindow::WebWindow(Form &f, const WindowInfo &info) : form(f), id(backend().nextId++) {
    backend().windows[id] = this;
    js_window_create(id, info.taskbar, info.icon);
}

WebWindow::~WebWindow() {
    backend().windows.erase(id);
    js_window_destroy(id);
}

void WebWindow::setTitle(const String &title) { js_window_title(id, title.data(), len(title)); }
void WebWindow::place(const Rect &r) { js_window_place(id, r.x, r.y, r.w, r.h); }

void WebWindow::setShown(bool shown, NativeWindow *owner, bool modal) {
    js_window_shown(id, shown, owner ? static_cast<WebWindow *>(owner)->id : 0, modal);
    readersStale = true;
}

void WebWindow::setState(std::int16_t state) { js_window_state(id, state); }

void WebWindow::setRegion(const std::vector<Rect> *spans) {
    std::vector<std::int32_t> flat;
    for (const Rect &r : spans ? *spans : std::vector<Rect>{}) flat.insert(flat.end(), {r.x, r.y, r.w, r.h});
    js_window_region(id, flat.data(), spans ? int(spans->size()) : -1);
}

void WebWindow::present(const Rect &changed) {
    dirty = geom::unite(dirty, changed);
    readersStale = true;
}

int WebWindow::popupMenu(const std::vector<String> &captions) {
    String json = "[";
    for (const String &c : captions) json += (json.size() > 1 ? "," : "") + (c == "-" ? String("null") : captionJson(c));
    json += "]";
    js_menu_show(id, json.data(), len(json));
    WebBackend &b = backend();
    b.answered = false;
    while (!b.answered) b.dispatchEvents(-1);
    return b.answer;
}

void WebWindow::accessibleChanged(Control &c, AccessibleChange what) {
    readersStale = true;
    if (what == AccessibleChange::Description && c.hasFocus() && !form.announcement().empty())
        js_window_announce(id, form.announcement().data(), len(form.announcement()));
    if (what != AccessibleChange::Focus) return;
    const std::vector<Control *> children = form.accessibleChildren();
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i] == &c && !c.field()) js_window_focus(id, int(i));
}

String WebWindow::readers() const {
    static const char *roles[] = {"", "window", "button", "label", "text", "list"};
    String json = "{\"name\":" + quoted(form.accessible().name) + ",\"children\":[";
    bool first = true;
    for (Control *c : form.accessibleChildren()) {
        const AccessibleInfo a = c->accessible();
        const Rect r = c->placeInFrame();
        const auto field = std::find_if(backend().fields.begin(), backend().fields.end(), [&](auto &f) { return f.second == c; });
        json += String(first ? "" : ",") + "{\"role\":\"" + roles[int(a.role)] + "\",\"name\":" + quoted(a.name) +
                ",\"description\":" + quoted(a.description) + ",\"key\":" + quoted(a.shortcut) +
                ",\"field\":" + CStr(field == backend().fields.end() ? 0 : field->first) + ",\"focus\":" +
                (c->hasFocus() ? "true" : "false") + ",\"place\":[" + CStr(r.x) + "," + CStr(r.y) + "," + CStr(r.w) +
                "," + CStr(r.h) + "]}";
        first = false;
    }
    return json + "]}";
}

// ---------------------------------------------------------------- fields

WebField::WebField(Control &c, const FieldInfo &info) : id(backend().nextId++) {
    backend().fields[id] = &c;
    const String json = "{\"list\":" + String(info.kind == Kind::ListBox ? "true" : "false") + ",\"readOnly\":" +
                        (info.readOnly ? "true" : "false") + ",\"name\":" + quoted(info.accessibleName) +
                        ",\"tip\":" + quoted(info.toolTip) + ",\"rowHeight\":" + CStr(info.rowHeight) + "}";
    js_field_create(id, static_cast<WebWindow &>(c.form().native()).id, json.data(), len(json));
}

WebField::~WebField() {
    backend().fields.erase(id);
    js_field_destroy(id);
}

void WebField::sync(const FieldState &s) {
    String json = "{";
    auto add = [&](const char *key, const String &value) { json += (json.size() > 1 ? ",\"" : "\"") + String(key) + "\":" + value; };
    if (first_ || s.place != shown_.place)
        add("place", "[" + CStr(s.place.x) + "," + CStr(s.place.y) + "," + CStr(s.place.w) + "," + CStr(s.place.h) + "]");
    if (first_ || s.visible != shown_.visible) add("visible", s.visible ? "true" : "false");
    if (first_ || !(s.font == shown_.font)) add("font", fontJson(s.font));
    if (first_ || s.text != shown_.text) add("text", quoted(s.text));
    if (first_ || s.items != shown_.items) {
        const int kept = first_ ? -1 : itemsKept(shown_.items, s.items);
        String items = "[";
        for (std::size_t i = std::size_t(std::max(kept, 0)); i < s.items.size(); ++i)
            items += (items.size() > 1 ? "," : "") + quoted(s.items[i]);
        add(kept < 0 ? "items" : "more", items + "]");
    }
    if (first_ || s.current != shown_.current) add("current", CStr(s.current));
    first_ = false;
    shown_ = s;
    if (json.size() > 1) js_field_sync(id, (json + "}").data(), len(json) + 1);
}

void WebField::setFocus(bool inside) { js_field_focus(id, inside); }

// ---------------------------------------------------------------- the backend's services

std::unique_ptr<NativeWindow> WebBackend::createWindow(Form &form, const WindowInfo &info) {
    return std::make_unique<WebWindow>(form, info);
}

std::unique_ptr<NativeField> WebBackend::createField(Control &control, const FieldInfo &info) {
    return std::make_unique<WebField>(control, info);
}

Environment WebBackend::environment() {
    std::int32_t s[5] = {};
    js_screen(s);
    return Environment{s[0], Rect{s[1], s[2], s[3], s[4]}, false, "", "/"};
}

std::optional<std::vector<std::uint8_t>> WebBackend::readFile(const String &path) {
    // The page has fetched the program's files before it started.
    const int size = js_file_size(path.data(), len(path));
    if (size < 0 || size > sound::MaxFileBytes) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    js_file_read(path.data(), len(path), bytes.data());
    return bytes;
}

int WebBackend::msgBox(const String &prompt, int style, const String &title) {
    const String json = "{\"text\":" + quoted(prompt) + ",\"title\":" + quoted(title) + ",\"style\":" + CStr(style) + "}";
    js_message_show(json.data(), len(json));
    answered = false;
    while (!answered) dispatchEvents(-1);
    return 1; // OK
}

String WebBackend::monthName(int month) {
    char name[64];
    const int n = js_month_name(month, name, int(sizeof name));
    return String(name, std::size_t(std::clamp(n, 0, int(sizeof name))));
}

std::int64_t WebBackend::milliseconds() { return std::int64_t(js_clock_ms()); }

void WebBackend::exit() {
    std::fflush(stdout);
    js_end();
}

Rect WebBackend::measureText(const FontDef &font, const String &text) {
    const String f = fontJson(font);
    std::int32_t size[2] = {};
    js_text_measure(f.data(), len(f), text.data(), len(text), size);
    return Rect{0, 0, size[0], size[1]};
}

bool WebBackend::hasFace(const FontDef &font) {
    const String f = fontJson(font);
    return js_text_face(f.data(), len(f)) != 0;
}

void WebBackend::drawText(Surface &into, const Rect &clip, const TextRun &run, int scale) {
    // The page draws on the pixels within the clip; (x, y) from the clip's corner.
    const String json = "{\"font\":" + fontJson(run.font) + ",\"caption\":" + captionJson(run.caption) + ",\"color\":" +
                        CStr(long(run.color)) + ",\"x\":" + CStr(run.x * scale - clip.x) + ",\"y\":" +
                        CStr(run.y * scale - clip.y) + ",\"scale\":" + CStr(scale) + "}";
    toPage(into, clip, pagePixels);
    js_text_draw(pagePixels.data(), clip.w, clip.h, json.data(), len(json));
    fromPage(into, clip, pagePixels);
}

bool WebBackend::play(const sound::Wave *wave) {
    if (!wave) return js_sound_play(nullptr, 0, 0, 0, 0) != 0;
    return js_sound_play(wave->pcm.data(), int(wave->pcm.size()), wave->format.rate, wave->format.channels,
                         int(wave->format.sample)) != 0;
}

// ---------------------------------------------------------------- events

void WebBackend::flush() {
    for (auto &[id, w] : windows) {
        if (!w->dirty.empty()) {
            const int s = Screen::scale();
            const Surface &frame = w->form.frame(s);
            const Rect d = geom::intersect(Rect{w->dirty.x * s, w->dirty.y * s, w->dirty.w * s, w->dirty.h * s},
                                           Rect{0, 0, frame.width(), frame.height()});
            w->dirty = Rect{};
            if (d.empty()) continue;
            toPage(frame, d, pagePixels);
            js_window_present(id, pagePixels.data(), frame.width(), frame.height(), s, d.x, d.y, d.w, d.h);
        }
        if (w->readersStale) {
            w->readersStale = false;
            const String json = w->readers();
            js_window_readers(id, json.data(), len(json));
        }
    }
}

void WebBackend::dispatchEvents(int maxMs) {
    // Waiting shows what changed first.
    flush();
    std::int32_t e[16 + 256];
    if (!js_take_event(e, int(sizeof e))) {
        js_wait(maxMs);
        if (!js_take_event(e, int(sizeof e))) return;
    }
    do deliver(e, String(reinterpret_cast<const char *>(e + 16), std::size_t(std::clamp(e[15], 0, 1024))));
    while (js_take_event(e, int(sizeof e)));
    flush();
}

void WebBackend::deliver(const std::int32_t *e, const String &text) {
    if (e[0] == 100) { // a menu or a message box answered
        answer = e[14], answered = true;
        return;
    }
    const auto w = windows.find(e[1]);
    if (w == windows.end()) return;
    Event ev;
    ev.type = Event::Type(e[0]);
    ev.button = e[2], ev.buttons = e[3], ev.modifiers = e[4];
    ev.x = e[5] / 1000.0, ev.y = e[6] / 1000.0;
    ev.width = e[7], ev.height = e[8];
    ev.key = Key(e[9]), ev.letter = char32_t(e[10]), ev.repeat = e[11];
    ev.state = std::int16_t(e[12]);
    if (const auto f = fields.find(e[13]); f != fields.end()) ev.control = f->second;
    else if (e[13] < 0) { // a screen reader pressed a control: its place among those it reads
        const std::vector<Control *> children = w->second->form.accessibleChildren();
        if (std::size_t(-e[13] - 1) < children.size()) ev.control = children[std::size_t(-e[13] - 1)];
    }
    if ((ev.type == Event::Pressed || ev.type == Event::FieldFocused || ev.type == Event::Edited ||
         ev.type == Event::Selected) && !ev.control)
        return;
    ev.row = e[14];
    ev.text = text;
    const bool handled = w->second->form.handle(ev);
    if (ev.type == Event::Key) js_key_handled(handled);
}

} // namespace web

// ---------------------------------------------------------------- start-up

struct Application::Impl {
    web::WebBackend backend;
};

Application::Application(int &, char **) : d(new Impl) {
    web::current = &d->backend;
    Backend::install(&d->backend);
}

Application::~Application() { delete d; }

int Application::exec() {
    for (;;) {
        d->backend.dispatchEvents(-1);
        Form::freeUnloaded();
    }
}

} // namespace ui
