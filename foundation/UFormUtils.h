#pragma once
// Utilities bound to the screen, the keyboard, windows and menus: the hourglass guard, the
// screen's cursor table, the shift state, special folders, the display's colour depth,
// clicking menu items and controls from code, opening web pages, swapping colours of a
// component tree and colour swatches.
//
// User-interface thread only.

#include "UBitmap.h"
#include "UColor.h"
#include "UControl.h"
#include "UGuard.h"

#include <QCursor>
#include <QFlags>
#include <QString>
#include <vector>

class QAction;
class QWidget;
class TComponent;

// Sets the hourglass (busy) cursor for the whole application until the guard is released.
// Guards may be released in any order: the cursor returns when the last one goes.
TGuard BeginWatchCursor();

// The screen's cursor table: slots 0 .. 255, all the arrow cursor at first. Slot 0 is the
// default cursor; a slot holding the same cursor as slot 0 is free.
inline constexpr int ScreenCursorCount = 256;
// The cursor of a slot (slot 0 for an index outside the table).
QCursor ScreenCursor(int Index);
// Sets a slot; an index outside the table is ignored.
void SetScreenCursor(int Index, const QCursor& Cursor);
// Stores Cursor in the first free slot searched from 255 down to 1 and answers the slot; 0
// when no slot is free.
int AddScreenCursor(const QCursor& Cursor);

// TShiftState (ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle) is the control layer's.

// The keys Shift, Alt and Ctrl and the mouse buttons held now.
TShiftState GetShiftState();
// The shift state of Qt's modifiers and buttons.
TShiftState ShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);

// Shell folder ids accepted by GetSpecialFolderPath.
inline constexpr int CSIDL_DESKTOP = 0x0000;
inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_MYMUSIC = 0x000D;
inline constexpr int CSIDL_MYVIDEO = 0x000E;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
inline constexpr int CSIDL_FONTS = 0x0014;
inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
inline constexpr int CSIDL_INTERNET_CACHE = 0x0020;
inline constexpr int CSIDL_MYPICTURES = 0x0027;
inline constexpr int CSIDL_PROFILE = 0x0028;

// The folder of a shell folder id (without a trailing separator): the desktop, documents,
// music, videos, pictures, fonts, home and cache folders of the user, and the per-user data
// folder ($XDG_DATA_HOME) for CSIDL_APPDATA and CSIDL_LOCAL_APPDATA. Empty text for another
// id. With Create the folder is made when missing (empty text when that fails).
QString GetSpecialFolderPath(int CSIDL, bool Create);

// The program runs on a system of the NT line: always true here.
inline bool IsWindowsNT() {
    return true;
}
// Bits per pixel of the primary screen (32 when there is no screen).
int GetDisplayColorBits();
// 8 bits per pixel or fewer.
bool IsLowColorDisplay();

// Clicks the menu path down to Item: every menu above it from the top down (its menu item
// is checked and the menu told it is about to show, so that it can update its entries),
// then Item is triggered. Answers false, stopping there, at the first disabled item.
bool ClickMenuItemPath(QAction* Item);
// Posts a left-button press and release at the top-left corner of Control.
void PostMouseClick(QWidget* Control);
// Opens URL (a web address) with the user's default browser; Window is the window asking.
// Answers whether a browser could be started.
bool OpenURL(QWidget* Window, const QString& URL);

// In Component and every component it owns, recursively, each colour property whose value
// equals OldColors[i] gets NewColors[i] (the first equal entry counts; pairs beyond the
// shorter list are ignored). A colour property is a published, stored, writable property
// declared with the type TColor (Q_PROPERTY(TColor Color ...)), whatever its name.
void ReplaceColorProperties(TComponent* Component, const std::vector<TColor>& OldColors,
                            const std::vector<TColor>& NewColors);
// The grey look of a dialog: in Form's component tree the cream 0x00AFE7FF becomes
// 0x00E6E6E6 and the tan 0x007F9FDF becomes 0x00B4B4B4.
void GrayDialogColors(TComponent* Form);

// A 24-bit Width x Height swatch: white (black for a white Color) with a rectangle of
// Color one pixel inside the edge, outlined in grey 0x808080 (light grey 0xC0C0C0 when
// Color is that grey).
TBitmap CreateColorSwatch(TColor Color, int Width, int Height);
