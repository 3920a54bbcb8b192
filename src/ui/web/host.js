// Lunivar's platform in a web page: runs the program (lunivar.wasm) and
// gives it what backend_web.cpp imports. Each window is an element with a
// canvas that shows the frame the program composes; its lists and text
// boxes are select and input elements; its push buttons and labels have
// elements of their own that screen readers read (the canvas draws them).
// The program waits for events by sleeping: binaryen's asyncify unwinds its
// stack into a buffer, and an event or the time winds it back.
"use strict";

const page = { program: null, memory: null, files: new Map(), queue: [], windows: new Map(), fields: new Map(),
               state: "running", sleepArea: 0, timer: 0, audio: null, pointer: { x: 20, y: 20 }, lastKeyHandled: false };
const utf8 = new TextDecoder(), encoder = new TextEncoder();
const bytes = () => new Uint8Array(page.memory.buffer);
const ints = () => new Int32Array(page.memory.buffer);
const text = (ptr, len) => utf8.decode(bytes().subarray(ptr, ptr + len));
const json = (ptr, len) => JSON.parse(text(ptr, len));

// ---------------------------------------------------------------- running and sleeping

function run() {
    // Runs the program until it sleeps again (or ends).
    try {
        page.program.exports._start();
    } catch (e) {
        if (e !== ended) throw e;
        return;
    }
    if (page.state === "unwinding") {
        page.program.exports.asyncify_stop_unwind();
        page.state = "sleeping";
    }
}

function wake() {
    if (page.state !== "sleeping") return;
    clearTimeout(page.timer);
    page.program.exports.asyncify_start_rewind(page.sleepArea);
    page.state = "rewinding";
    run();
}

function post(event) {
    // Events come while the program sleeps, or while it runs a call into the page.
    page.queue.push(event);
    wake();
}

function wait(maxMs) {
    if (page.state === "rewinding") {
        page.program.exports.asyncify_stop_rewind();
        page.state = "running";
        return;
    }
    if (maxMs >= 0) page.timer = setTimeout(wake, maxMs);
    page.program.exports.asyncify_start_unwind(page.sleepArea);
    page.state = "unwinding";
}

// Event types as the program knows them.
const E = { down: 0, up: 1, move: 2, dblclick: 3, key: 4, activated: 5, fieldFocused: 6, edited: 7, selected: 8,
            pressed: 9, moved: 10, resized: 11, state: 12, scale: 13, close: 14, answer: 100 };
const KEYS = { Tab: 1, Enter: 2, Escape: 3, " ": 4, ArrowUp: 5, ArrowDown: 6, PageUp: 7, PageDown: 8, Home: 9, End: 10 };

function takeEvent(into, capacity) {
    const e = page.queue.shift();
    if (!e) return 0;
    const t = encoder.encode(e.text || "").subarray(0, Math.max(0, capacity - 64));
    const v = ints(), i = into >> 2;
    const fields = [e.type, e.window || 0, e.button || 0, e.buttons || 0, e.modifiers || 0, Math.round((e.x || 0) * 1000),
                    Math.round((e.y || 0) * 1000), e.width || 0, e.height || 0, e.key || 0, e.letter || 0, e.repeat ? 1 : 0,
                    e.state || 0, e.control || 0, e.row === undefined ? -1 : e.row, t.length];
    fields.forEach((f, k) => { v[i + k] = f; });
    bytes().set(t, into + 64);
    return 1;
}

// ---------------------------------------------------------------- windows

const layer = () => document.getElementById("desktop");
let topZ = 10;

function modifiers(e) { return (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0); }
function buttonBit(b) { return b === 0 ? 1 : b === 2 ? 2 : b === 1 ? 4 : 0; }
function heldBits(b) { return (b & 1 ? 1 : 0) | (b & 2 ? 2 : 0) | (b & 4 ? 4 : 0); }

function createWindow(id, taskbar) {
    const w = { id, el: document.createElement("div"), canvas: document.createElement("canvas"), live: document.createElement("div"),
                taskbar, state: 0, shown: false, owner: 0, modal: false, rect: [0, 0, 1, 1] };
    w.el.className = "window";
    w.el.setAttribute("role", taskbar ? "application" : "dialog");
    if (!taskbar) w.el.setAttribute("aria-modal", "true");
    w.el.tabIndex = -1;
    w.canvas.setAttribute("aria-hidden", "true");
    w.live.className = "announce";
    w.live.setAttribute("aria-live", "assertive");
    w.el.append(w.canvas, w.live);
    w.el.hidden = true;
    layer().append(w.el);
    const pointer = (type) => (e) => {
        if (e.pointerType === "mouse" && type === E.down && e.detail === 2) type = E.dblclick;
        const r = w.canvas.getBoundingClientRect(), z = r.width / w.rect[2] || 1;
        if (type === E.down || type === E.dblclick) w.canvas.setPointerCapture(e.pointerId);
        page.pointer = { x: e.clientX, y: e.clientY };
        resumeSound();
        post({ type, window: id, button: type === E.move ? 0 : buttonBit(e.button), buttons: heldBits(e.buttons),
               modifiers: modifiers(e), x: (e.clientX - r.left) / z, y: (e.clientY - r.top) / z });
        e.preventDefault();
    };
    w.canvas.addEventListener("pointerdown", pointer(E.down));
    w.canvas.addEventListener("pointermove", pointer(E.move));
    w.canvas.addEventListener("pointerup", pointer(E.up));
    w.canvas.addEventListener("contextmenu", (e) => e.preventDefault());
    w.el.addEventListener("keydown", (e) => keyDown(w, e));
    w.el.addEventListener("focusin", () => { if (page.active !== id) { page.active = id; post({ type: E.activated, window: id }); } });
    page.windows.set(id, w);
}

function keyDown(w, e) {
    if (!(e.key in KEYS) && (e.key.length === 0 || [...e.key].length !== 1)) return;
    const letter = e.key in KEYS ? 0 : e.key.codePointAt(0);
    page.lastKeyHandled = false;
    post({ type: E.key, window: w.id, key: KEYS[e.key] || 0, letter, modifiers: modifiers(e), repeat: e.repeat });
    if (page.lastKeyHandled) e.preventDefault();
    e.stopPropagation();
}

function placeWindow(w) {
    const [x, y, width, height] = w.rect;
    Object.assign(w.el.style, { left: x + "px", top: y + "px", width: width + "px", height: height + "px" });
    Object.assign(w.canvas.style, { width: width + "px", height: height + "px" });
}

function showWindow(w) {
    const minimised = w.state === 1;
    w.el.hidden = !w.shown || minimised;
    const restore = document.getElementById("restore-" + w.id);
    if (restore) restore.hidden = !w.shown || !minimised;
    if (w.shown && !minimised) w.el.style.zIndex = ++topZ;
    // A modal window: nothing else of the program takes the pointer or the keyboard.
    const blocker = document.getElementById("blocker");
    const modal = [...page.windows.values()].find((m) => m.modal && m.shown);
    blocker.hidden = !modal;
    if (modal) blocker.style.zIndex = Number(modal.el.style.zIndex) - 1;
    for (const other of page.windows.values()) {
        const inert = !!modal && other !== modal;
        if (inert && other.el.contains(document.activeElement)) document.activeElement.blur();
        other.el.inert = inert;
    }
}

function minimised(w) {
    // A small button on the page brings the window back.
    let b = document.getElementById("restore-" + w.id);
    if (!b) {
        b = document.createElement("button");
        b.id = "restore-" + w.id;
        b.className = "restore";
        b.addEventListener("click", () => {
            w.state = 0;
            showWindow(w);
            post({ type: E.state, window: w.id, state: 0 });
            post({ type: E.activated, window: w.id });
        });
        document.getElementById("dock").append(b);
    }
    b.textContent = w.title || "Lunivar";
}

// The controls a screen reader reads, in order: buttons and labels of their
// own, drawn by the canvas, and the window's lists and fields themselves.
function readers(w, info) {
    w.el.setAttribute("aria-label", info.name);
    const proxies = [...w.el.querySelectorAll(".reader")];
    const made = info.children.map((c, i) => {
        if (c.field) return page.fields.get(c.field).el;
        const tag = c.role === "button" ? "BUTTON" : "DIV";
        let el = proxies.shift();
        if (!el || el.tagName !== tag) {
            el?.remove();
            el = document.createElement(tag);
            el.className = "reader";
            if (tag === "BUTTON") {
                el.tabIndex = -1;
                el.addEventListener("click", () => post({ type: E.pressed, window: w.id, control: -1 - Number(el.dataset.index) }));
            }
        }
        el.textContent = c.name;
        el.dataset.index = i;
        if (c.description) el.setAttribute("aria-description", c.description);
        else el.removeAttribute("aria-description");
        if (c.key) el.setAttribute("aria-keyshortcuts", c.key);
        else el.removeAttribute("aria-keyshortcuts");
        const [x, y, width, height] = c.place;
        Object.assign(el.style, { left: x + "px", top: y + "px", width: width + "px", height: height + "px" });
        return el;
    });
    for (const el of proxies) el.remove();
    // In the order read, moving only what is out of place. The element with
    // the keyboard stays where it is (a moved element loses the keyboard):
    // what lies between goes behind it instead.
    let previous = w.canvas;
    for (const el of made) {
        if (el === document.activeElement && previous.compareDocumentPosition(el) & Node.DOCUMENT_POSITION_FOLLOWING)
            while (previous.nextElementSibling !== el) el.after(previous.nextElementSibling);
        else if (previous.nextElementSibling !== el) previous.after(el);
        previous = el;
    }
    w.children = made;
    // The keyboard on a push button, where the program has it there and the
    // page has it nowhere else (a window just shown); the program itself
    // sends it into lists and fields.
    const focused = made[info.children.findIndex((c) => c.focus && !c.field)];
    const active = document.activeElement;
    const elsewhere = active !== document.body && !w.el.contains(active) && !active.closest("[inert]");
    if (focused && !w.el.hidden && !w.el.inert && !elsewhere && document.activeElement !== focused) focused.focus({ preventScroll: true });
}

function readersNow(w) {
    if (!w.readersDue || !page.windows.has(w.id)) return;
    const info = w.readersDue;
    w.readersDue = null;
    readers(w, info);
}

// ---------------------------------------------------------------- fields

function createField(id, windowId, info) {
    const w = page.windows.get(windowId);
    const el = document.createElement(info.list ? "select" : "input");
    el.className = "field";
    if (info.list) {
        el.size = 6;
        el.style.setProperty("--row", info.rowHeight + "px");
        el.addEventListener("change", () => post({ type: E.selected, window: windowId, control: id, row: el.selectedIndex }));
    } else {
        el.readOnly = info.readOnly;
        el.addEventListener("input", () => post({ type: E.edited, window: windowId, control: id, text: el.value }));
    }
    el.setAttribute("aria-label", info.name);
    if (info.tip) el.title = info.tip;
    el.addEventListener("focus", () => post({ type: E.fieldFocused, window: windowId, control: id }));
    el.addEventListener("pointerdown", (e) => e.stopPropagation());
    w.el.append(el);
    page.fields.set(id, { el, window: w, list: info.list });
}

function syncField(id, s) {
    const f = page.fields.get(id), el = f.el;
    if (s.place) {
        const [x, y, width, height] = s.place;
        Object.assign(el.style, { left: x + "px", top: y + "px", width: width + "px", height: height + "px" });
    }
    if (s.visible !== undefined) el.hidden = !s.visible;
    if (s.font) el.style.font = cssFont(s.font, 1);
    if (s.text !== undefined) el.value = s.text;
    if (s.items) el.replaceChildren(...s.items.map((t) => new Option(t)));
    if (s.more) el.append(...s.more.map((t) => new Option(t)));
    if (s.current !== undefined) f.current = s.current;
    if (s.current !== undefined || s.items || s.more) el.selectedIndex = f.current;
}

// ---------------------------------------------------------------- text

const measuring = new OffscreenCanvas(1, 1).getContext("2d");
function cssFont(f, scale) {
    // The dialog faces of the original platform are the page's default face.
    const dialog = !f.face || f.face === "Tahoma" || f.face === "MS Sans Serif";
    const px = f.points > 0 ? Math.round(f.points / 100 * 96 / 72) : 11;
    const face = dialog ? "" : `"${f.face}", `;
    return `${f.weight || 400} ${px * scale}px ${face}"Liberation Sans", Arimo, Arial, "DejaVu Sans", sans-serif`;
}
function measure(font, t) {
    if (measuring.font !== font) measuring.font = font;
    const m = measuring.measureText(t);
    return { width: Math.ceil(m.width), ascent: Math.ceil(m.fontBoundingBoxAscent), height: Math.ceil(m.fontBoundingBoxAscent) + Math.ceil(m.fontBoundingBoxDescent) };
}

let drawing = null;
function drawText(rgba, cw, ch, run) {
    // The text over the pixels the program hands, which it takes back.
    if (!drawing || drawing.canvas.width < cw || drawing.canvas.height < ch)
        drawing = new OffscreenCanvas(Math.max(cw, drawing?.canvas.width || 0), Math.max(ch, drawing?.canvas.height || 0))
            .getContext("2d", { willReadFrequently: true });
    const ctx = drawing, pixels = new Uint8ClampedArray(page.memory.buffer, rgba, cw * ch * 4);
    ctx.putImageData(new ImageData(pixels, cw, ch), 0, 0);
    const font = cssFont(run.font, run.scale), c = run.color, { text, key } = run.caption;
    ctx.fillStyle = `rgb(${c & 255},${c >> 8 & 255},${c >> 16 & 255})`;
    const m = measure(font, text);
    if (ctx.font !== font) ctx.font = font;
    const y = run.y + m.ascent;
    ctx.fillText(text, run.x, y);
    // The access key underlined.
    if (key >= 0) ctx.fillRect(run.x + measure(font, text.slice(0, key)).width, y + run.scale, measure(font, text[key]).width, run.scale);
    pixels.set(ctx.getImageData(0, 0, cw, ch).data);
}

// ---------------------------------------------------------------- sound

function resumeSound() {
    if (!page.audio) page.audio = new AudioContext();
    if (page.audio.state === "suspended") page.audio.resume();
}

function playSound(ptr, length, rate, channels, format) {
    if (page.playing) { page.playing.stop(); page.playing = null; }
    if (!ptr) return 1;
    resumeSound();
    const size = [0, 1, 2, 4, 4][format], frames = Math.floor(length / size / channels);
    if (!frames) return 0;
    const buffer = page.audio.createBuffer(channels, frames, rate), view = new DataView(page.memory.buffer, ptr, length);
    for (let ch = 0; ch < channels; ++ch) {
        const out = buffer.getChannelData(ch);
        for (let i = 0; i < frames; ++i) {
            const at = (i * channels + ch) * size;
            out[i] = format === 1 ? (view.getUint8(at) - 128) / 128 : format === 2 ? view.getInt16(at, true) / 32768
                   : format === 3 ? view.getInt32(at, true) / 2147483648 : view.getFloat32(at, true);
        }
    }
    const source = page.audio.createBufferSource();
    source.buffer = buffer;
    source.connect(page.audio.destination);
    source.start();
    page.playing = source;
    return 1;
}

// ---------------------------------------------------------------- menus and message boxes

function answer(value) { post({ type: E.answer, row: value }); }

function showMenu(windowId, captions) {
    const veil = document.getElementById("veil"), menu = document.getElementById("menu");
    menu.replaceChildren();
    const keys = [];
    captions.forEach((c, i) => {
        if (!c) { const hr = document.createElement("hr"); hr.setAttribute("role", "separator"); menu.append(hr); return; }
        const item = document.createElement("button");
        item.setAttribute("role", "menuitem");
        if (c.key < 0) item.textContent = c.text;
        else {
            item.append(c.text.slice(0, c.key), Object.assign(document.createElement("u"), { textContent: c.text[c.key] }), c.text.slice(c.key + 1));
            keys.push([c.text[c.key].toLocaleLowerCase(), i]);
        }
        item.addEventListener("click", () => close(i));
        menu.append(item);
    });
    const close = (i) => { veil.hidden = true; menu.hidden = true; menu.onkeydown = null; answer(i); };
    veil.onpointerdown = (e) => { e.preventDefault(); close(-1); };
    menu.onkeydown = (e) => {
        e.stopPropagation();
        const items = [...menu.querySelectorAll("button")], at = items.indexOf(document.activeElement);
        const hit = keys.find(([k]) => k === e.key.toLocaleLowerCase());
        if (e.key === "Escape") close(-1);
        else if (hit) close(hit[1]);
        else if (e.key === "ArrowDown" || e.key === "ArrowUp") items[(at + (e.key === "ArrowDown" ? 1 : items.length - 1)) % items.length].focus();
        else return;
        e.preventDefault();
    };
    Object.assign(menu.style, { left: page.pointer.x + "px", top: page.pointer.y + "px", zIndex: ++topZ + 1 });
    veil.style.zIndex = topZ;
    veil.hidden = false;
    menu.hidden = false;
    menu.querySelector("button").focus();
}

function showMessage(m) {
    const box = document.getElementById("message");
    box.querySelector("h2").textContent = m.title;
    box.querySelector("p").textContent = m.text;
    box.onclose = () => answer(1);
    box.showModal();
}

// ---------------------------------------------------------------- the end

const ended = { ended: true };
function end() {
    for (const w of page.windows.values()) w.el.hidden = true;
    document.getElementById("dock").replaceChildren();
    document.getElementById("ended").hidden = false;
    document.getElementById("again").focus();
    page.state = "ended";
    throw ended;
}

// ---------------------------------------------------------------- what the program imports

function imports() {
    const lunivar = {
        wait, take_event: takeEvent,
        key_handled: (h) => { page.lastKeyHandled = !!h; },
        window_create: (id, taskbar) => createWindow(id, taskbar),
        window_destroy: (id) => { const w = page.windows.get(id); w.el.remove(); document.getElementById("restore-" + id)?.remove(); page.windows.delete(id); },
        window_title: (id, p, l) => {
            const w = page.windows.get(id);
            w.title = text(p, l);
            w.el.setAttribute("aria-label", w.title);
            if (w.taskbar) document.title = w.title;
        },
        window_place: (id, x, y, width, height) => {
            // Within the page: where the program asks, or as near as the page allows, which it is told.
            const w = page.windows.get(id);
            const px = Math.max(0, Math.min(x, innerWidth - width)), py = Math.max(0, Math.min(y, innerHeight - height));
            w.rect = [px, py, width, height];
            placeWindow(w);
            if (px !== x || py !== y) post({ type: E.moved, window: id, x: px, y: py });
        },
        window_shown: (id, shown, owner, modal) => {
            const w = page.windows.get(id);
            Object.assign(w, { shown: !!shown, modal: !!modal && !!shown });
            if (owner) w.owner = owner;
            showWindow(w);
            // The window below has the keyboard again.
            if (!shown && w.owner) post({ type: E.activated, window: w.owner });
        },
        window_state: (id, state) => { const w = page.windows.get(id); w.state = state; if (state === 1) minimised(w); showWindow(w); },
        window_region: (id, p, count) => {
            const w = page.windows.get(id), v = ints();
            if (count === 0) { w.el.hidden = true; return; }
            let path = "";
            for (let i = 0; i < count; ++i) {
                const [x, y, width, height] = v.subarray((p >> 2) + 4 * i, (p >> 2) + 4 * i + 4);
                path += `M${x} ${y}h${width}v${height}h${-width}z`;
            }
            w.el.style.clipPath = count > 0 ? `path("${path}")` : "";
        },
        window_present: (id, rgba, width, height, scale, x, y, w, h) => {
            // A changed part of the frame, in device pixels; the canvas takes the frame's size.
            const c = page.windows.get(id).canvas;
            if (c.width !== width || c.height !== height) { c.width = width; c.height = height; }
            c.getContext("2d").putImageData(new ImageData(new Uint8ClampedArray(page.memory.buffer, rgba, w * h * 4), w, h), x, y);
        },
        window_readers: (id, p, l) => {
            // Made once the window is on the screen.
            const w = page.windows.get(id);
            if (!w.readersDue) setTimeout(() => readersNow(w));
            w.readersDue = json(p, l);
        },
        window_focus: (id, child) => {
            const w = page.windows.get(id);
            readersNow(w);
            const el = w.children?.[child];
            if (el && document.activeElement !== el) el.focus({ preventScroll: true });
        },
        window_announce: (id, p, l) => { const live = page.windows.get(id).live; live.textContent = ""; live.textContent = text(p, l); },
        menu_show: (id, p, l) => showMenu(id, json(p, l)),
        message_show: (p, l) => showMessage(json(p, l)),
        field_create: (id, windowId, p, l) => createField(id, windowId, json(p, l)),
        field_destroy: (id) => { page.fields.get(id).el.remove(); page.fields.delete(id); },
        field_sync: (id, p, l) => syncField(id, json(p, l)),
        field_focus: (id, inside) => {
            const f = page.fields.get(id);
            if (inside) f.el.focus({ preventScroll: true });
            else if (document.activeElement === f.el) f.window.el.focus({ preventScroll: true });
        },
        text_measure: (fp, fl, tp, tl, out) => { const m = measure(cssFont(json(fp, fl), 1), text(tp, tl)); ints().set([m.width, m.height], out >> 2); },
        text_face: (fp, fl) => {
            const f = json(fp, fl);
            measuring.font = `100px "${f.face}", monospace`;
            const own = measuring.measureText("gfeadcb").width;
            measuring.font = "100px monospace";
            return own !== measuring.measureText("gfeadcb").width ? 1 : 0;
        },
        text_draw: (rgba, w, h, p, l) => drawText(rgba, w, h, json(p, l)),
        sound_play: playSound,
        clock_ms: () => performance.now(),
        month_name: (month, into, capacity) => {
            const b = encoder.encode(page.months[month - 1] || "").subarray(0, capacity);
            bytes().set(b, into);
            return b.length;
        },
        screen: (into) => ints().set([devicePixelRatio >= 1.5 ? 2 : 1, 0, 0, innerWidth, innerHeight], into >> 2),
        file_size: (p, l) => { const f = page.files.get(text(p, l)); return f ? f.length : -1; },
        file_read: (p, l, into) => bytes().set(page.files.get(text(p, l)), into),
        end,
    };
    // The C library's calls to the system: the console, the clock, an empty
    // environment; the rest is not there.
    const wasi = new Proxy({
        fd_write: (fd, iovs, count, written) => {
            const v = ints();
            let n = 0, out = "";
            for (let i = 0; i < count; ++i) { const p = v[(iovs >> 2) + 2 * i], l = v[(iovs >> 2) + 2 * i + 1]; out += text(p, l); n += l; }
            if (out.trim()) (fd === 2 ? console.error : console.log)(out.trimEnd());
            v[written >> 2] = n;
            return 0;
        },
        proc_exit: () => end(),
        environ_sizes_get: (count, size) => { ints()[count >> 2] = 0; ints()[size >> 2] = 0; return 0; },
        args_sizes_get: (count, size) => { ints()[count >> 2] = 0; ints()[size >> 2] = 0; return 0; },
        environ_get: () => 0,
        args_get: () => 0,
        clock_time_get: (id, precision, out) => {
            new DataView(page.memory.buffer).setBigUint64(out, BigInt(Math.round((id === 0 ? Date.now() : performance.now()) * 1e6)), true);
            return 0;
        },
    }, { get: (t, name) => t[name] || (() => 52) });
    return { lunivar, wasi_snapshot_preview1: wasi };
}

// ---------------------------------------------------------------- start

async function start() {
    // The program compiles while the pictures it starts with come; its
    // sounds and the pictures of the other scale follow while it runs.
    const code = fetch("lunivar.wasm");
    const program = WebAssembly.compileStreaming(code).catch(async () => WebAssembly.compile(await (await fetch("lunivar.wasm")).arrayBuffer()));
    const load = ([name, url]) => fetch(url).then((r) => r.ok && r.arrayBuffer()).then((b) => b && page.files.set(name, new Uint8Array(b)));
    const list = JSON.parse(document.getElementById("files").textContent);
    const twice = devicePixelRatio >= 1.5;
    const first = ([name]) => name.endsWith(".bmp") || (name.startsWith(":/") && name.includes("@2x") === twice);
    const loading = Promise.all(list.filter(first).map(load));
    // The months of the browser's language, with a capital first letter,
    // while the files come (the language's data takes its time).
    const months = new Intl.DateTimeFormat(undefined, { month: "long" });
    page.months = [...Array(12).keys()].map((m) => months.format(new Date(2001, m, 15))).map((n) => n.charAt(0).toLocaleUpperCase() + n.slice(1));
    await loading;
    const instance = await WebAssembly.instantiate(await program, imports());
    list.filter((f) => !first(f)).forEach(load);
    page.program = instance;
    page.memory = instance.exports.memory;
    page.sleepArea = instance.exports.lunivar_sleep_area();
    addEventListener("resize", () => { for (const w of page.windows.values()) post({ type: E.scale, window: w.id }); });
    document.getElementById("again").addEventListener("click", () => location.reload());
    run();
}

start();
