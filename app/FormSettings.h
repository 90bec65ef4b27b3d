// Window placement in the settings file: maps the "FORM" / "BOUNDS" key
// families that TExtIniFile stores onto Qt top-level windows and widgets.
// Positions and sizes are the client geometry (QWidget::geometry) in screen
// pixels; right and bottom are exclusive. UI thread only; never throws.
#pragma once

#include "settings/IniFile.h"

class QWidget;

namespace vellora {

// The window's placement now: normal-state rectangle, show command and state.
TWindowPlacement WindowPlacementOf(const QWidget *window);
// 0 normal, 1 minimised, 2 maximised.
int WindowStateOf(const QWidget *window);

// Restores placement; a shown window takes the stored show command, a
// hidden one is left hidden and becomes maximised when the stored state is 2.
void ReadForm(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window);
// ReadForm, then the client size from ".cwidth" and ".cheight".
void ReadFormEx(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window);
// Like ReadForm, but the window keeps its current position (size restored).
void ReadWinSize(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window);
void ReadWinSizeEx(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window);
// Moves the window to ".left", ".top".
void ReadWinPos(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *window);
void WriteForm(TExtIniFile &ini, const QString &section, const QString &item, const QWidget *window);

// The same with the window's object name as the item.
void ReadForm2(const TExtIniFile &ini, const QString &section, QWidget *window);
void ReadFormEx2(const TExtIniFile &ini, const QString &section, QWidget *window);
void WriteForm2(TExtIniFile &ini, const QString &section, const QWidget *window);

// Controls: "BOUNDS" family (left, top, width, height) of a child widget.
void ReadBounds(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *control);
void WriteBounds(TExtIniFile &ini, const QString &section, const QString &item, const QWidget *control);
void ReadPos(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *control);
void ReadSize(const TExtIniFile &ini, const QString &section, const QString &item, QWidget *control);

} // namespace vellora
