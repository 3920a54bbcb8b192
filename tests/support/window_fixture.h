// What the window tests share: seams that keep the windows from blocking or
// ending the process, fresh windows, and push-button faces built from pieces.
#pragma once

#include "about/frmMenu.h"
#include "app/frmMain.h"
#include "skin/mdlDeclarations.h"
#include "ui/picture.h"
#include "ui/testing.h"
#include "ui/units.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace lunivar_test {

// What App::End throws in the tests instead of leaving the process.
struct Ended {};

inline void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Drops the About window, then the main window, and lets both go.
inline void dropWindows()
{
    if (frmMenuRef.exists())
        frmMenuRef.clear();
    flushDeletes();
    if (frmMainRef.exists())
        frmMainRef.clear();
    flushDeletes();
}

// A new main window, loaded, and shown unless asked not to.
inline frmMain &freshMain(bool show = true)
{
    dropWindows();
    frmMain &m = frmMainRef();
    if (show)
        m.Show();
    return m;
}

// Menus choose nothing; a modal window unloads as soon as it is shown.
inline void quietPopupAndModal()
{
    ui::testing::setPopupHook([](const ui::Menu &) { return -1; });
    ui::testing::setModalHook([](ui::Form &f) { f.Unload(); });
}

// The seams of a window test: App::End runs onEnd and throws Ended, message
// boxes answer 1, menus and modal windows as quietPopupAndModal(); 15 twips
// per pixel. Returns whether the skin bitmaps are in the resources.
inline bool installWindowSeams(std::function<void()> onEnd = {})
{
    ui::testing::setEndHook([onEnd = std::move(onEnd)] {
        if (onEnd)
            onEnd();
        throw Ended{};
    });
    ui::testing::setMsgBoxHook([](const QString &, int, const QString &) { return 1; });
    quietPopupAndModal();
    ui::Screen::setTwipsPerPixel(15, 15);
    return !ui::LoadResPicture(113, ui::vbResBitmap).isNull();
}

// Bitmap :/bmp/<id>.bmp as the file holds it, in RGB32.
inline QImage bitmap(int id)
{
    static std::map<int, QImage> decoded;
    auto it = decoded.find(id);
    if (it == decoded.end())
        it = decoded.emplace(id, ui::readBitmap(QStringLiteral(":/bmp/%1.bmp").arg(id))).first;
    return it->second;
}

// A push-button face put together from the pieces over the back colour: left
// cap at 0, tiles from 13 every 6 pixels while x <= inner width - 9, right
// cap at outer width - 9 rounded halves to even.
inline QImage buttonFace(int imageWidth, double scaleWidth, double width, bool hover, QRgb back)
{
    QImage img(imageWidth, 21, QImage::Format_RGB32);
    img.fill(back);
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, bitmap(hover ? 116 : 113));
    for (int x = 13; x <= scaleWidth - 9; x += 6)
        p.drawImage(x, 0, bitmap(hover ? 117 : 114));
    p.drawImage(int(std::nearbyint(width - 9)), 0, bitmap(hover ? 118 : 115));
    return img;
}

// Which face a button `width` pixels wide shows: N normal, H hover, ? neither.
inline QChar faceLook(const QImage &img, int width, QRgb back)
{
    if (img == buttonFace(width, width, width, false, back))
        return u'N';
    if (img == buttonFace(width, width, width, true, back))
        return u'H';
    return u'?';
}

// Paints the main window's push buttons with the looks given, button 0 first.
inline void paintLooks(const QString &looks)
{
    for (int i = 0; i < looks.size(); ++i)
        DrawButtonFace(std::int16_t(i), looks[i] == u'H' ? ui::vbTrue : ui::vbFalse);
}

} // namespace lunivar_test
