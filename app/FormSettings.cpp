#include "app/FormSettings.h"

#include <QWidget>

namespace vellora {

namespace {

QRect normalRect(const QWidget *window)
{
    // While maximised, minimised or full screen Qt keeps the normal geometry apart.
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
        const QRect normal = window->normalGeometry();
        if (normal.isValid())
            return normal;
    }
    return window->geometry();
}

void applyNormalRect(QWidget *window, const TWindowPlacement &p, bool position)
{
    const QRect current = normalRect(window);
    const int width = p.Right - p.Left;
    const int height = p.Bottom - p.Top;
    // A damaged file must not give a window without size.
    const QSize size = width > 0 && height > 0 ? QSize(width, height) : current.size();
    const Qt::WindowStates state = window->windowState();
    if (state & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        window->setWindowState(Qt::WindowNoState);
    if (position)
        window->setGeometry(QRect(QPoint(p.Left, p.Top), size));
    else
        window->resize(size);
}

void readPlacement(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window,
                   bool keepPosition)
{
    if (!window)
        return;
    TWindowPlacement p = WindowPlacementOf(window);
    const QPoint position(p.Left, p.Top);
    ini.ReadPlacement(section, item, p);
    // With no stored position (the first run) a window keeps the place Qt
    // gives it when shown, over its owner; moving it to its own current
    // corner would pin it to the screen's top-left.
    const bool stored = ini.ItemExists(section, item + QStringLiteral(".left"))
        || ini.ItemExists(section, item + QStringLiteral(".top"));
    const bool move = stored && !keepPosition;
    if (keepPosition) {
        p.Right += position.x() - p.Left;
        p.Bottom += position.y() - p.Top;
        p.Left = position.x();
        p.Top = position.y();
    }
    if (window->isVisible()) {
        applyNormalRect(window, p, move);
        switch (p.ShowCmd) {
        case kShowHidden: window->hide(); break;
        case kShowMinimized: window->showMinimized(); break;
        case kShowMaximized: window->showMaximized(); break;
        default: window->showNormal(); break;
        }
    } else {
        applyNormalRect(window, p, move);
        const int state = ini.ReadInt(section, item + QStringLiteral(".state"), 0);
        window->setWindowState(state == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
    }
}

void readClientSize(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window)
{
    if (!window)
        return;
    QSize size = window->size();
    size.setWidth(ini.ReadInt(section, item + QStringLiteral(".cwidth"), size.width()));
    size.setHeight(ini.ReadInt(section, item + QStringLiteral(".cheight"), size.height()));
    if (size.width() > 0 && size.height() > 0 && !(window->windowState() & Qt::WindowMaximized))
        window->resize(size);
}

} // namespace

TWindowPlacement WindowPlacementOf(const QWidget *window)
{
    TWindowPlacement p;
    const QRect normal = normalRect(window);
    p.Left = normal.x();
    p.Top = normal.y();
    p.Right = normal.x() + normal.width();
    p.Bottom = normal.y() + normal.height();
    switch (WindowStateOf(window)) {
    case 1: p.ShowCmd = kShowMinimized; break;
    case 2: p.ShowCmd = kShowMaximized; break;
    default: p.ShowCmd = kShowNormal; break;
    }
    return p;
}

int WindowStateOf(const QWidget *window)
{
    const Qt::WindowStates state = window->windowState();
    if (state & Qt::WindowMinimized)
        return 1;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return 2;
    return 0;
}

void ReadForm(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window)
{
    readPlacement(ini, section, item, window, false);
}

void ReadFormEx(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window)
{
    ReadForm(ini, section, item, window);
    readClientSize(ini, section, item, window);
}

void ReadWinSize(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window)
{
    readPlacement(ini, section, item, window, true);
}

void ReadWinSizeEx(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window)
{
    ReadWinSize(ini, section, item, window);
    readClientSize(ini, section, item, window);
}

void ReadWinPos(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window)
{
    if (!window)
        return;
    // The stored corner is the client area's, as WriteForm stores it.
    const QRect geometry = window->geometry();
    QPoint pos = geometry.topLeft();
    ini.ReadPos(section, item, pos);
    window->setGeometry(QRect(pos, geometry.size()));
}

void WriteForm(TExtIniFile &ini, const QString &section, const QString &item, const QWidget *window)
{
    if (!window)
        return;
    ini.WriteForm(section, item, WindowPlacementOf(window), WindowStateOf(window), window->size());
}

void ReadForm2(const TExtIniFile &ini, const QString &section, QWidget *window)
{
    if (window)
        ReadForm(ini, section, window->objectName(), window);
}

void ReadFormEx2(const TExtIniFile &ini, const QString &section, QWidget *window)
{
    if (window)
        ReadFormEx(ini, section, window->objectName(), window);
}

void WriteForm2(TExtIniFile &ini, const QString &section, const QWidget *window)
{
    if (window)
        WriteForm(ini, section, window->objectName(), window);
}

void ReadBounds(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *control)
{
    if (!control)
        return;
    QRect bounds = control->geometry();
    ini.ReadBounds(section, item, bounds);
    control->setGeometry(bounds);
}

void WriteBounds(TExtIniFile &ini, const QString &section, const QString &item, const QWidget *control)
{
    if (control)
        ini.WriteBounds(section, item, control->geometry());
}

void ReadPos(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *control)
{
    if (!control)
        return;
    QPoint pos = control->pos();
    ini.ReadPos(section, item, pos);
    control->move(pos);
}

void ReadSize(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *control)
{
    if (!control)
        return;
    QSize size = control->size();
    ini.ReadSize(section, item, size);
    control->resize(size);
}

} // namespace vellora
