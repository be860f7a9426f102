#pragma once
// Helpers shared by the window tests: documents on small papers with real drawing objects.

#include "../TestSupport.h"
#include "UAppFrame.h"
#include "UColor.h"
#include "UPaperInfo.h"

#include <QImage>
#include <QPoint>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class QAction;
class QMainWindow;
class QMenu;
class QPoint;
class QWidget;
class TDrawSite;
class TLabelData;
class TPaperLibrary;
class TfrmMain;
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

// Every object of Site, topmost first, as the label stream stores them.
QByteArray PageStream(const TDrawSite& Site);
// Where two streams first differ, with the bytes around it (empty when equal).
std::string StreamDifference(const QByteArray& Actual, const QByteArray& Expected);
// A press on Widget at From, moves in steps and a release at To with the left button, as a
// hand drags.
void MouseDrag(QWidget* Widget, QPoint From, QPoint To);
// Types Text into Target key by key (Japanese characters included, as an input method
// delivers them).
void TypeText(QWidget* Target, const QString& Text);
// The program folder as installed, seen through links: Folder (created) gets a link to each
// entry of the folder that holds Program. False when the folder could not be made.
bool LinkProgramFolder(const QString& Program, const QString& Folder);

// A main window with a settings table of its own (its registry key removed afterwards); its
// message boxes answer from FAnswers (Cancel once they run out) and are kept in FMessages, its
// file questions answer FNextFile.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A new main window on Papers (nullptr: the built-in papers), shown.
    TfrmMain& Open(const TPaperLibrary* Papers = nullptr);
    // Makes the window the active one, as a click on it does: its keys reach it.
    void Activate();
    // A file of the test's own folder.
    QString File(const QString& Name) const { return FDir.filePath(Name); }

    QTemporaryDir FDir;
    std::unique_ptr<TAppFrame> FFrame;
    std::unique_ptr<TfrmMain> FWindow;
    std::deque<TModalResult> FAnswers;
    QStringList FMessages;
    QString FNextFile;
};
