#pragma once
// Helpers shared by the window tests: documents on small papers with real drawing objects.

#include "UColor.h"
#include "UPaperInfo.h"

#include <QImage>
#include <QProcessEnvironment>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMainWindow;
class QMenu;
class QPoint;
class QWidget;
class TLabelData;
class TLORect;

// Registers every stream class and hook once (safe to call again).
void EnsureApplicationClasses();
// A paper of Columns x Rows rectangular faces of 600 x 400 (0.1 mm), 100 apart.
std::unique_ptr<TMatrixPaperInfo> MakeGridPaper(int Columns, int Rows, const QString& Name);
// Writes one filled rectangle of Color (0x00BBGGRR) at R into label Index of Data.
void WriteRectLabel(TLabelData& Data, int Index, const TRect& R, TColor Color);
// The number of objects stored on label Index of Data's current sheet.
int ObjectsOnLabel(TLabelData& Data, int Index);
// The colour most pixels of Image have inside Area.
QRgb DominantColour(const QImage& Image, const QRect& Area);
// The folder screenshots go to (created): <build>/screenshots.
QString ScreenshotFolder();

// The environment for the real program started by a test: the offscreen display, and the
// settings, user data, cache, runtime folder (which holds the single-instance lock) and
// temporary files all below Home (created), so that the run shares nothing with a program
// open elsewhere on the machine or with another test.
QProcessEnvironment PrivateProgramEnvironment(const QString& Home);
// Runs the event loop until Condition holds or Milliseconds pass; whether it holds.
bool WaitUntil(const std::function<bool()>& Condition, int Milliseconds = 10000);
// Runs the event loop for Milliseconds, waiting in it as the running program does between a
// user's actions: idle handlers run (the commands bring their state up to date).
void LetIdle(int Milliseconds = 50);
// Opens the menu of Window's menu bar named MenuName with the mouse and clicks Item in it
// or in one of its submenus. False (with nothing clicked) when Item is not there or is
// disabled.
bool ClickMenuItem(QMainWindow& Window, const QString& MenuName, QAction* Item);
// A right click on Target at At (Target's pixels) as the window system delivers it; the
// menu that popped up, or nullptr.
QMenu* RightClickMenu(QWidget& Target, const QPoint& At);
// Closes a popped-up menu with Escape.
void CloseMenu(QMenu* Menu);
