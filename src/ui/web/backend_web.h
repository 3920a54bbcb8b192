#pragma once
// The toolkit in a web page: the program is WebAssembly, and the page's
// script (host.js) is its platform. Each window is an element of the page
// with a canvas that shows the frame the toolkit composes; its lists and text
// boxes are the page's own select and input elements; its push buttons and
// labels have page elements of their own for screen readers, drawn by the
// canvas. What the user does comes back as a queue of events the program
// takes when it waits; waiting suspends the program until one arrives.
#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/form.h"

#include <map>
#include <string>

namespace ui::web {

class WebWindow;

class WebBackend : public Backend {
public:
    std::unique_ptr<NativeWindow> createWindow(Form &form, const WindowInfo &info) override;
    std::unique_ptr<NativeField> createField(Control &control, const FieldInfo &info) override;
    Environment environment() override;
    std::optional<std::vector<std::uint8_t>> readFile(const String &path) override;
    int msgBox(const String &prompt, int style, const String &title) override;
    String monthName(int month) override;
    std::int64_t milliseconds() override;
    void dispatchEvents(int maxMs) override;
    [[noreturn]] void exit() override;
    Rect measureText(const FontDef &font, const String &text) override;
    bool hasFace(const FontDef &font) override;
    void drawText(Surface &into, const Rect &clip, const TextRun &run, int scale) override;
    bool play(const sound::Wave *wave) override;

    // The windows and fields by the numbers the page knows them by.
    std::map<int, WebWindow *> windows;
    std::map<int, Control *> fields;
    int nextId = 1;
    // What a menu or a message box the page shows was answered with.
    int answer = 0;
    bool answered = false;

private:
    void deliver(const std::int32_t *e, const String &text);
    // Shows what changed in each window, and what screen readers read of it.
    void flush();
};

WebBackend &backend();

// The native side of a window: an element of the page.
class WebWindow : public NativeWindow {
public:
    WebWindow(Form &form, const WindowInfo &info);
    ~WebWindow() override;
    Form &form;
    const int id;
    Rect dirty;            // what of the frame the page shows anew
    bool readersStale = true; // what screen readers read of it changed

    void setTitle(const String &title) override;
    void place(const Rect &frame) override;
    void setShown(bool shown, NativeWindow *owner, bool modal) override;
    void setState(std::int16_t state) override;
    void setRegion(const std::vector<Rect> *spans) override;
    void present(const Rect &changed) override;
    int popupMenu(const std::vector<String> &captions) override;
    void accessibleChanged(Control &c, AccessibleChange what) override;
    void startSystemMove() override {}
    // The controls a screen reader reads, in order, as the page makes them.
    String readers() const;
};

// A list or a text box: a select or an input element of the page.
class WebField : public NativeField {
public:
    WebField(Control &c, const FieldInfo &info);
    ~WebField() override;
    const int id;
    void sync(const FieldState &state) override;
    void setFocus(bool inside) override;

private:
    FieldState shown_;
    bool first_ = true;
};

// JSON text for the page.
String quoted(const String &s);

} // namespace ui::web
