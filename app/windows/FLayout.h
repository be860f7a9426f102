#pragma once
// TfrmLayout: the layout editor, one design surface for the current face of the open
// document. The main window embeds it and forwards its commands (toolbars, menus); the
// editor itself never opens, saves or prints a document.
//
// The surface is as large as the face's margin rectangle (0.1 mm units) and is shown in a
// scroll area. The shown label is read from the document with ReadLabel and written back by
// CommitLabel (WriteLabel, then ApplyConnected so tied calendars of the other sheets follow).
//
// While an editor exists it owns the object factory's creation callback and its one-shot
// tool reset, and the ghosts' snap hook: grid and guides of the current sheet snap every
// drag (Alt held: no snapping). Guides and grid are drawn over the page.
//
// The commands on the page's objects (undo and redo, the clipboard, order, group, lock,
// print flag, text direction, rotation, properties, position and size, the face background)
// are draw-site commands: they act on the focused page, enable themselves by their own rule
// (refreshed when the selection changes) and record their own undo steps. Their keys work
// while the page has the keyboard; edit controls keep their own. A right click on the page
// opens the object menu (the object under the cursor joins the selection) or the page menu.
//
// User-interface thread only.

#include <QKeySequence>
#include <QList>
#include <QPointF>
#include <QWidget>

#include "UGuide.h"
#include "UWinTypes.h"

#include <map>
#include <memory>

class QAction;
class QActionGroup;
class QMenu;
class QLabel;
class QMouseEvent;
class QScrollArea;
class TDrawObject;
class TDrawSite;
class TDrawSiteHost;
class TDSNotifyCatcher;
class TLabelData;
class TPictureEx;

// The editor's commands, for toolbars and menus of the window that embeds it.
enum class TLayoutCommand {
    ZoomIn,
    ZoomOut,
    ZoomFit,
    Zoom100,
    Delete,
    Properties,
    Position,
    SelectAll,
    ShowGrid,
    SnapGrid,
    ShowGuides,
    SnapGuides,
    AddGuideH, // one-shot: the next click on the page places a horizontal guide
    AddGuideV, // one-shot: the next click on the page places a vertical guide
    ClearGuides,
    MoveOptions, // a menu holding the move commands below
    FreeMove,
    CircumMove,
    ParallelMove,
    RotateMove,
    CircumRotate,
    CircumPhased,
    Phase60, // circle positions in steps of 6 degrees
    Phase12, // 30 degrees
    Phase8,  // 45 degrees
    Scan,
    SelectScanner,
    // The draw-site commands on the page (they act on the focused page, see UDrawSiteAction).
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    BringToFront,
    SendToBack,
    Group,
    Ungroup,
    Lock,
    Unlock,
    DontPrint,
    DoPrint,
    VertText,
    HorzText,
    RotateLeft,  // 90 degrees counter-clockwise
    RotateRight, // 90 degrees clockwise
    // The face background (never selectable on the page): its dialog, and removing it.
    EditBackground,
    RemoveBackground,
};

class TfrmLayout : public QWidget {
    Q_OBJECT
public:
    explicit TfrmLayout(QWidget* Parent = nullptr);
    ~TfrmLayout() override;

    // The document whose current sheet is edited; nullptr detaches (after committing the
    // shown label). Not owned; the caller detaches before destroying it.
    void SetLabelData(TLabelData* Data);
    TLabelData* LabelData() const { return FData; }
    // Commits the shown label, then shows label LabelNo of the current sheet (it becomes the
    // sheet's current label). A number outside the paper's faces shows nothing.
    void ShowLabel(int LabelNo);
    // The label shown, -1 when none.
    int LabelNo() const { return FLabelNo; }
    // Writes the shown label back to the document and applies its tied objects to the other
    // sheets; nothing when the page did not change since it was read or last committed. A
    // failed write raises and leaves the page as it is (ShowLabel and SetLabelData then
    // switch nothing). A label that cannot be read is reported and not shown, so that it is
    // never written back empty.
    void CommitLabel();

    TDrawSite* Site() const;
    TDrawSiteHost* Host() const { return FHost; }
    QScrollArea* ScrollArea() const { return FScroll; }

    // One checkable tool per creatable kind, with icons; the kind name is the action's data.
    QList<QAction*> CreationActions() const { return FCreationActions; }
    QAction* CreationAction(const QString& KindName) const;
    QAction* Action(TLayoutCommand Command) const;

    // Zoom in percent of the surface.
    int Zoom() const;
    void SetZoom(int Percent);
    // Moves the selected movable objects by (Dx, Dy) logical units, one undo step; false
    // when nothing was selected to move.
    bool NudgeSelection(int Dx, int Dy);
    // Adds a horizontal guide at y = Position or a vertical one at x = Position, in face
    // coordinates (from the cut line, as the guides are stored). Refused with a message when
    // all slots are used; true when added.
    bool AddGuide(bool Horizontal, int Position);
    // Brings the enabled state of the commands up to date.
    void UpdateActions();

    // The page's context menus: on an object and on the empty page. They pop up on a right
    // click on the page (which first selects the object under the cursor).
    QMenu* ObjectMenu() const { return FObjectMenu; }
    QMenu* PageMenu() const { return FPageMenu; }

signals:
    void Modified();
    void SelectionChanged();
    void CursorPositionMm(QPointF Position);
    void ZoomChanged(int Percent);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;

private:
    void CreateCommands();
    void CreateCreationTools();
    QAction* AddCommand(TLayoutCommand Command, const QString& Text, const QString& Icon,
                        bool Checkable = false);
    // Registers a draw-site command made elsewhere under Command.
    QAction* AddCommand(TLayoutCommand Command, QAction* Action, const QString& Text,
                        const QString& Icon, const QKeySequence& Key = {});
    void CreateSiteCommands();
    void CreatePositionCommand();
    void CreateBackgroundCommands();
    void CreateContextMenus();
    void ShowContextMenu(const QPoint& At, const QPoint& GlobalAt);
    void CreationToolTriggered(QAction* Tool);
    void InstallFactoryHooks();
    void RemoveFactoryHooks();
    void ResetOneShotTools();
    void PaintAfter();
    // The snap offset of the page point P: grid or guide, per axis the nearer (NoSnap where
    // none).
    TPoint SnapOffset(const TPoint& P) const;
    // The page point P counted from the cut line (the site's user origin).
    TPoint FaceCoordinates(const TPoint& P) const;
    // The whole page in face coordinates (the bleed margin at negative coordinates).
    TRect PageInFaceCoordinates() const;
    void ClearSite();
    void ReadShownLabel();
    void EditSelection();
    void ZoomBy(int Step);
    void ZoomToFit();
    void SetMoveOption(TLayoutCommand Command);
    void SyncMoveActions();
    void SyncGridActions();
    void ToggleGridSetting(TLayoutCommand Command, bool Value);
    void Scan();
    // Refreshes every draw-site command for the focused page.
    void UpdateSiteCommands();
    bool HandleHostMouse(QEvent* Event);
    bool DragGuide(const QMouseEvent& Mouse, const TPoint& P);
    bool HandleHostKey(QEvent* Event);
    void ShowNoDialog();

    TLabelData* FData = nullptr;
    int FLabelNo = -1;
    // The page. Its user origin is where face coordinates start: the top-left of the face's
    // cut line, the bleed margin lying above and left of it. Objects are moved by it when a
    // label is shown and back when it is written.
    std::unique_ptr<TDrawSite> FSite;
    std::unique_ptr<TDSNotifyCatcher> FCatcher;
    QScrollArea* FScroll = nullptr;
    TDrawSiteHost* FHost = nullptr; // a child of the scroll area
    std::map<TLayoutCommand, QAction*> FActions;
    QList<QAction*> FCreationActions;
    QActionGroup* FToolGroup = nullptr;
    QMenu* FObjectMenu = nullptr;
    QMenu* FPageMenu = nullptr;
    // The one-shot tool modes: a creation tool waiting for its drag, and the two guide tools.
    QAction* FPendingTool = nullptr;
    bool FGuideToolH = false;
    bool FGuideToolV = false;
    // A guide being dragged with the mouse.
    TGuideDrag FGuideDrag;
    bool FFitPending = true;
    bool FSiteUpdatePending = false;
    // The picture a scan brought, given to the image object the factory makes for it.
    const TPictureEx* FScannedPicture = nullptr;
};
