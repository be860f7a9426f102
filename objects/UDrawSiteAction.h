#pragma once
// Commands of the editor windows that act on the focused design surface: a small action
// layer over QAction.
//
// A command's target is the focused surface host's surface; the edit commands (copy, cut,
// clear, paste, undo, redo) also take a focused line edit, editable combo box or text edit
// and then do that control's own editing. On a surface a command runs in three steps: the
// list of target objects is made, something is done to each, and the change of each object
// is recorded as an undo step (all steps of one run form one group when ActionString is
// set).
//
// Updating: every command brings its Enabled state (and the undo and redo commands their
// caption) up to date for the focused target whenever the application goes idle, and
// before it runs.
//
// TDSOperation runs the same scheme from code; TDSNotifyCatcher turns a surface's selection
// and movable notifications into events, coalesced to the next idle moment.
//
// User-interface thread only.

#include "UComponent.h"
#include "UControl.h"
#include "UDOList.h"
#include "UNotify.h"

#include <QAction>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class TActionList;
class TDrawObject;
class TDrawSite;
class TGlobalNotify;

// How the change of each target object is recorded.
enum TDSAUndoType { atNone, atDelete, atAdd, atChange, atLayer };

// Undo and redo captions.
inline const QString SUndoCaption = QStringLiteral("取り消し(&U)");
inline const QString SUndoCaptionFmt = QStringLiteral("%1の取り消し(&U)");
inline const QString SRedoCaption = QStringLiteral("やり直し(&R)");
inline const QString SRedoCaptionFmt = QStringLiteral("%1のやり直し(&R)");

// The surface shown by the focused host, or the focused edit control, or nullptr.
QObject* FocusedActionTarget();
// True for the edit controls commands can act on: a line edit, an editable combo box, a
// text edit or a plain text edit.
bool IsEditTarget(const QObject* Target);

class TDrawSiteActionBase : public QAction {
    Q_OBJECT
public:
    explicit TDrawSiteActionBase(QObject* Parent = nullptr);
    ~TDrawSiteActionBase() override;

    // The command may apply to several objects.
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value) { FMultiSelect = Value; }
    // Targets are the selected objects; false: all objects of the surface.
    bool SelectedOnly() const { return FSelectedOnly; }
    void SetSelectedOnly(bool Value) { FSelectedOnly = Value; }
    // Objects are visited topmost first; false: bottom first.
    bool FromFront() const { return FFromFront; }
    void SetFromFront(bool Value) { FFromFront = Value; }
    // Only objects of this registered class (or its descendants) are targets.
    const QString& TargetClassName() const { return FTargetClassName; }
    void SetTargetClassName(const QString& Value) { FTargetClassName = Value; }
    // When a candidate is not of the class, the command has no targets at all.
    bool TargetClassOnly() const { return FTargetClassOnly; }
    void SetTargetClassOnly(bool Value) { FTargetClassOnly = Value; }
    TDSAUndoType ActionType() const { return FActionType; }
    void SetActionType(TDSAUndoType Value) { FActionType = Value; }
    // When not empty, the undo steps of one run form one group with this caption.
    const QString& ActionString() const { return FActionString; }
    void SetActionString(const QString& Value) { FActionString = Value; }

    // The targets of the last MakeList, topmost first.
    TDOList& List() { return FList; }

    // The target list: the surface's objects (topmost first), selected ones only with
    // SelectedOnly, limited to TargetClassName.
    virtual void MakeList(TDrawSite& Site);
    // MakeList, then: exactly one target for a single-object command on the selection,
    // otherwise at least one.
    virtual bool CanExecute(TDrawSite& Site);
    virtual void ExecuteFirst(TDrawSite& Site);
    virtual void EachObject(TDrawSite& Site, TDrawObject& Object);

    // Routing: whether Target is one this command acts on (the base: a surface), bringing
    // the state up to date for it, and running on it.
    virtual bool HandlesTarget(QObject* Target) const;
    virtual void UpdateTarget(QObject* Target);
    virtual void ExecuteTarget(QObject* Target);

    // Update and run on the focused target; a command without a target is disabled.
    void UpdateFocused();
    void ExecuteFocused();
    // Brings every command up to date for the focused target.
    static void UpdateAll();

protected:
    // The run: ExecuteFirst, then every target through its recording step.
    void Run(TDrawSite& Site);
    // One object: EachObject wrapped in the undo step of ActionType, recorded in List.
    void RecordEach(TDrawSite& Site, TDrawObject& Object, TActionList& Actions);
    // Runs Body inside one group when ActionString is set.
    void Grouped(TActionList& Actions, const std::function<void()>& Body);

private:
    bool FMultiSelect = true;
    bool FSelectedOnly = true;
    bool FFromFront = false;
    QString FTargetClassName;
    bool FTargetClassOnly = false;
    TDSAUndoType FActionType = atNone;
    QString FActionString;
    TDOList FList;
};

// A command whose behaviour comes from events.
class TDrawSiteAction : public TDrawSiteActionBase {
    Q_OBJECT
public:
    using TEachObjectEvent = std::function<void(TDrawSiteAction* Sender, TDrawObject* Object)>;
    using TActionEvent = std::function<void(TDrawSiteAction* Sender)>;
    explicit TDrawSiteAction(QObject* Parent = nullptr) : TDrawSiteActionBase(Parent) {}

    TActionEvent OnMakeList;
    TActionEvent OnExecuteFirst;
    TEachObjectEvent OnEachObject;

    void MakeList(TDrawSite& Site) override;
    void ExecuteFirst(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;
    // Nothing unless OnExecuteFirst or OnEachObject is set.
    void ExecuteTarget(QObject* Target) override;
};

// Base of the standard commands.
class TStandardDSA : public TDrawSiteActionBase {
    Q_OBJECT
public:
    using TDrawSiteActionBase::TDrawSiteActionBase;
};

// Standard commands that also work on edit controls, with the object clipboard format.
class TStandardEditDSA : public TStandardDSA {
    Q_OBJECT
public:
    explicit TStandardEditDSA(QObject* Parent = nullptr);
    // The clipboard format's name before macro expansion, "$(AppName)" by default.
    const QString& ClipboardFormat() const { return FClipboardFormat; }
    void SetClipboardFormat(const QString& Value) { FClipboardFormat = Value; }
    // The format's name as used on the clipboard (macros expanded).
    QString ClipboardFormatName() const;

    bool HandlesTarget(QObject* Target) const override;
    void UpdateTarget(QObject* Target) override;
    void ExecuteTarget(QObject* Target) override;

protected:
    // The edit control's own behaviour.
    virtual bool EditEnabled(QObject* Edit) const;
    virtual void EditExecute(QObject* Edit);

private:
    QString FClipboardFormat = QStringLiteral("$(AppName)");
};

class TDSABringToFront : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSABringToFront(QObject* Parent = nullptr);
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;
};

class TDSASendToBack : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSASendToBack(QObject* Parent = nullptr);
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;
};

class TDSACopy : public TStandardEditDSA {
    Q_OBJECT
public:
    explicit TDSACopy(QObject* Parent = nullptr);
    void ExecuteFirst(TDrawSite& Site) override;

protected:
    bool EditEnabled(QObject* Edit) const override;
    void EditExecute(QObject* Edit) override;
};

class TDSACut : public TDSACopy {
    Q_OBJECT
public:
    explicit TDSACut(QObject* Parent = nullptr);
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;

protected:
    void EditExecute(QObject* Edit) override;
};

class TDSAClear : public TStandardEditDSA {
    Q_OBJECT
public:
    explicit TDSAClear(QObject* Parent = nullptr);
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;

protected:
    bool EditEnabled(QObject* Edit) const override;
    void EditExecute(QObject* Edit) override;
};

// Pastes the objects on the clipboard; text or a picture instead become a new object of the
// kind "TLOTextPaste" or "TLOImagePaste" made through the designers (which record it).
class TDSAPaste : public TStandardEditDSA {
    Q_OBJECT
public:
    explicit TDSAPaste(QObject* Parent = nullptr);
    ~TDSAPaste() override;
    // Reads the clipboard: new objects, or the designers' object for text or a picture.
    void MakeList(TDrawSite& Site) override;
    // The clipboard holds objects, a picture or text.
    bool CanExecute(TDrawSite& Site) override;
    void ExecuteFirst(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;
    void ExecuteTarget(QObject* Target) override;

protected:
    bool EditEnabled(QObject* Edit) const override;
    void EditExecute(QObject* Edit) override;

private:
    void FreeUnplaced();
};

class TDSASelectAll : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSASelectAll(QObject* Parent = nullptr);
    void MakeList(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;
};

// Sets Movable to the command's value on the selected objects that differ.
class TDSALock : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSALock(QObject* Parent = nullptr, bool Movable = false);
    void MakeList(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;

private:
    bool FMovable;
};

class TDSAUnlock : public TDSALock {
    Q_OBJECT
public:
    explicit TDSAUnlock(QObject* Parent = nullptr) : TDSALock(Parent, true) {}
};

class TDSAUndo : public TStandardEditDSA {
    Q_OBJECT
public:
    explicit TDSAUndo(QObject* Parent = nullptr);
    bool CanExecute(TDrawSite& Site) override;
    void UpdateTarget(QObject* Target) override;
    void ExecuteTarget(QObject* Target) override;

protected:
    bool EditEnabled(QObject* Edit) const override;
    void EditExecute(QObject* Edit) override;
};

class TDSARedo : public TStandardEditDSA {
    Q_OBJECT
public:
    explicit TDSARedo(QObject* Parent = nullptr);
    bool CanExecute(TDrawSite& Site) override;
    void UpdateTarget(QObject* Target) override;
    void ExecuteTarget(QObject* Target) override;

protected:
    bool EditEnabled(QObject* Edit) const override;
    void EditExecute(QObject* Edit) override;
};

// Sets DontPrint to the command's value on the selected label objects that differ.
class TDSADontPrint : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSADontPrint(QObject* Parent = nullptr, bool DontPrint = true);
    void MakeList(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;

private:
    bool FDontPrint;
};

class TDSADoPrint : public TDSADontPrint {
    Q_OBJECT
public:
    explicit TDSADoPrint(QObject* Parent = nullptr) : TDSADontPrint(Parent, false) {}
};

// Sets vertical text to the command's value on the selected objects that differ.
class TDSAVertText : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSAVertText(QObject* Parent = nullptr, bool Vertical = true);
    void MakeList(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;

private:
    bool FVertical;
};

class TDSAHorzText : public TDSAVertText {
    Q_OBJECT
public:
    explicit TDSAHorzText(QObject* Parent = nullptr) : TDSAVertText(Parent, false) {}
};

// The property dialog of the one selected label object.
class TDSAEditProperty : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSAEditProperty(QObject* Parent = nullptr);
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;
};

// Turns the selected objects that can turn by OffsetAngle degrees.
class TDSAOffsetAngle : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSAOffsetAngle(QObject* Parent = nullptr);
    int OffsetAngle() const { return FOffsetAngle; }
    void SetOffsetAngle(int Value) { FOffsetAngle = Value; }
    void MakeList(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;

private:
    int FOffsetAngle = 0;
};

// Groups the selected objects (two or more): a group holding copies of them, in stacking
// order, takes their place and is selected. One undo step.
class TDSAGroup : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSAGroup(QObject* Parent = nullptr);
    bool CanExecute(TDrawSite& Site) override;
    void ExecuteFirst(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;
};

// Ungroups the selected groups: copies of their members take their place and are selected.
// One undo step however many members come out.
class TDSAUngroup : public TStandardDSA {
    Q_OBJECT
public:
    explicit TDSAUngroup(QObject* Parent = nullptr);
    void ExecuteFirst(TDrawSite& Site) override;
    void EachObject(TDrawSite& Site, TDrawObject& Object) override;
};

// The command scheme run from code on a given surface.
class TDSOperation : public TComponent {
    Q_OBJECT
public:
    using TOperationEvent = std::function<void(TDSOperation* Sender)>;
    using TEachObjectEvent = std::function<void(TDSOperation* Sender, TDrawObject* Object)>;

    explicit TDSOperation(TComponent* Owner = nullptr);

    bool MultiSelect = true;
    bool SelectedOnly = true;
    bool FromFront = false;
    QString TargetClassName;
    bool TargetClassOnly = false;
    // atLayer is not offered here: it records like atNone.
    TDSAUndoType ActionType = atNone;
    QString ActionString;
    TOperationEvent OnExecute;
    TOperationEvent OnMakeList;
    TEachObjectEvent OnEachObject;

    TDOList& List() { return FList; }
    // The undo list it records into (the application's at creation).
    TActionList& Actions() const { return *FActions; }
    void SetActions(TActionList& Value) { FActions = &Value; }

    void MakeList(TDrawSite& Site);
    bool CanExecute(TDrawSite& Site);
    // Only when OnExecute or OnEachObject is set, and the targets are valid.
    void Execute(TDrawSite& Site);

private:
    TDOList FList;
    TActionList* FActions;
};

// Selection and movable changes of one surface as events.
class TDSNotifyCatcher : public TComponent {
    Q_OBJECT
public:
    explicit TDSNotifyCatcher(TComponent* Owner = nullptr);
    ~TDSNotifyCatcher() override;

    TNotifyEvent OnSelectChanged;
    TNotifyEvent OnMovableChanged;
    TNotifyEvent OnDrawSiteAttached;
    TNotifyEvent OnDrawSiteDetached;
    // Changes fire once at the next idle moment; false: each change fires at once.
    bool WaitIdle = true;

    TDrawSite* DrawSite() const { return FDrawSite; }
    void SetDrawSite(TDrawSite* Value);

private:
    void Notify(IInterface* Sender, const TGUID& MsgID);
    // Fires the pending events when this attempt (direct or idle) is the one that fires.
    void TryFire(bool FromIdle);

    QPointer<TDrawSite> FDrawSite;
    std::unique_ptr<TListener> FListener;
    std::unique_ptr<TGlobalNotify> FIdle;
    bool FSelectPending = false;
    bool FMovablePending = false;
};
