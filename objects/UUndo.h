#pragma once
// Undo and redo: every edit of drawing objects the user can take back is an action in the
// one application-wide action list (ActionList()).
//
// An action is owned by the list once added and freed when it falls off the limit (10 steps),
// when it is discarded as part of the redo tail (recording after an undo), by Clear, or with
// the list. Groups bundle several actions into one step.
//
// The object actions never keep a raw pointer that can dangle: the objects and surfaces they
// refer to are watched (QPointer, and the objects' going-away message), and an action whose
// object has gone is skipped by Undo and Redo.
//
// User-interface thread only.

#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "UNotify.h"

class TDrawObject;
class TDrawSite;

// Undo captions of the object edits.
inline const QString SCaptionMove = QStringLiteral("移動");
inline const QString SCaptionDragCopy = QStringLiteral("ドラッグコピー");
inline const QString SCaptionRotate = QStringLiteral("回転");
inline const QString SCaptionResize = QStringLiteral("サイズ変更");
inline const QString SCaptionMoveResize = QStringLiteral("移動・サイズ変更");
inline const QString SCaptionAdd = QStringLiteral("追加");

enum TActionFlag : uint8_t { afCanUndo = 1, afCanRedo = 2, afCanRepeat = 4 };

class TActionBase {
public:
    TActionBase() = default;
    virtual ~TActionBase() = default;
    TActionBase(const TActionBase&) = delete;
    TActionBase& operator=(const TActionBase&) = delete;

    uint8_t Flags() const { return FFlags; }
    void SetFlags(uint8_t Value) { FFlags = Value; }
    bool CanUndo() const { return FFlags & afCanUndo; }
    bool CanRedo() const { return FFlags & afCanRedo; }
    bool CanRepeat() const { return FFlags & afCanRepeat; }
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value) { FCaption = Value; }

    virtual void Repeat() {}
    virtual void Redo() {}
    virtual void Undo() {}

private:
    uint8_t FFlags = 0;
    QString FCaption;
};

// One step made of several actions. Redo and repeat run the children in recorded order;
// undo runs them in reverse order, so that the state before the first step comes back.
class TActionGroup : public TActionBase {
public:
    explicit TActionGroup(TActionGroup* Parent = nullptr) : FParent(Parent) {}

    // The first child gives the group its flags (and its caption when the group has none);
    // afterwards the group can do only what every child can.
    void Add(std::unique_ptr<TActionBase> Action);
    int Count() const { return static_cast<int>(FChildren.size()); }
    TActionBase* Children(int Index) const { return FChildren.at(Index).get(); }
    // The group open when this one was begun; the list owns it through this link while
    // this group is open.
    TActionGroup* Parent() const { return FParent; }

    void Repeat() override;
    void Redo() override;
    void Undo() override;

private:
    std::vector<std::unique_ptr<TActionBase>> FChildren;
    TActionGroup* FParent;
};

class TActionList {
public:
    TActionList() = default;
    ~TActionList();
    TActionList(const TActionList&) = delete;
    TActionList& operator=(const TActionList&) = delete;

    // Not recording: the action is freed. A group open: into that group. Otherwise the redo
    // tail is freed, the action appended and made current, and the oldest actions beyond the
    // limit are freed.
    void Add(std::unique_ptr<TActionBase> Action);
    // Opens a group (groups nest); its steps reach the list as one step at the outermost
    // EndGroup. Empty groups vanish.
    void BeginGroup(const QString& Caption);
    // Raises Exception "group level is invalid" when no group is open.
    void EndGroup();
    bool GroupOpen() const { return FOpenGroup != nullptr; }

    bool CanUndo() const;
    bool CanRedo() const;
    bool CanRepeatLast() const;
    void Undo();
    // Redoes the next undone action; at the end of the list repeats the last one (when
    // repeat is enabled and it can repeat), which leaves the position unchanged.
    void Redo();
    QString UndoCaption() const;
    QString RedoCaption() const;
    // Frees every action (oldest first) and any open group.
    void Clear();

    int Count() const { return static_cast<int>(FActions.size()); }
    TActionBase* Actions(int Index) const { return FActions.at(Index).get(); }
    // Index of the next undo; -1 when everything is undone.
    int Current() const { return FCurrent; }
    int Limit() const { return FLimit; }
    bool RepeatEnabled() const { return FRepeatEnabled; }
    void SetRepeatEnabled(bool Value) { FRepeatEnabled = Value; }
    bool Recording() const { return FRecording; }
    void SetRecording(bool Value) { FRecording = Value; }

private:
    std::vector<std::unique_ptr<TActionBase>> FActions;
    int FCurrent = 0;
    int FLimit = 10;
    bool FRepeatEnabled = true;
    std::unique_ptr<TActionGroup> FOpenGroup;
    bool FRecording = true;
};

// The application's action list.
TActionList& ActionList();

// Weak references to drawing objects, cleared when the object is destroyed.
using TDOWeakList = std::vector<QPointer<TDrawObject>>;
// The drawing objects of Site (topmost first), or only the selected ones.
TDOWeakList SnapshotObjects(const TDrawSite& Site, bool SelectedOnly);

// Z-order changes of a whole surface.
class TDOLayerAction : public TActionBase {
public:
    // Records the order before the change.
    explicit TDOLayerAction(TDrawSite& Site);
    // Records the order after the change and the selection, then hands the action to List.
    static void Commit(std::unique_ptr<TDOLayerAction> Action, TActionList& List);

    void Undo() override { Apply(FBefore); }
    void Redo() override { Apply(FAfter); }

private:
    void Apply(const TDOWeakList& Order);

    TDOWeakList FBefore;
    TDOWeakList FAfter;
    TDOWeakList FSelection;
    QPointer<TDrawSite> FSite;
};

// Any change of one object's properties: copies of the object before and after the edit.
// Pattern: create before the edit, edit, set the caption, Commit.
class TDOChangeAction : public TActionBase {
public:
    explicit TDOChangeAction(TDrawObject& Object);
    ~TDOChangeAction() override;

    // Dropped when the object has gone or left its surface, or when it did not change (and
    // Forced is not set); otherwise the state after the edit is taken and the action goes to
    // List.
    static void Commit(std::unique_ptr<TDOChangeAction> Action, TActionList& List);

    bool Changed() const { return FChanged; }
    bool Forced() const { return FForced; }
    void SetForced(bool Value) { FForced = Value; }
    TDrawObject* Object() const;

    void Undo() override;
    void Redo() override;

private:
    void ListenerNotify(IInterface* Sender, const TGUID& MsgID);
    void Restore(const TDrawObject* State);

    bool FChanged = false;
    std::unique_ptr<TDrawObject> FBefore;
    std::unique_ptr<TDrawObject> FAfter;
    QPointer<TDrawObject> FObject;
    bool FForced = false;
    TListener FListener;
};

// Adding an object to or removing it from its surface. While an object the action itself
// took off its surface (by Undo of an add, Redo of a delete), or one a delete command handed
// over (TDODelAction::Adopt), is off every surface, the action answers for it: destroying the
// action then frees the object. An object on a surface, or one removed by anyone else, is
// never freed by the action. Taking an object away deselects it and frees the surface's
// handles.
class TDOAddDelAction : public TActionBase {
public:
    ~TDOAddDelAction() override;

    // The object and its surface; nullptr once gone.
    TDrawObject* Object() const;
    TDrawSite* Site() const;

protected:
    // Object must lie on a surface.
    explicit TDOAddDelAction(TDrawObject& Object);
    // Back on the surface, selected, at the stacking recorded at creation.
    void PutBack();
    // Off the surface (the surface is flagged modified first).
    void TakeAway();
    // The object is off every surface and the action answers for it.
    void TakeOver();

private:
    QPointer<TDrawObject> FObject;
    QPointer<TDrawSite> FSite;
    TDOWeakList FOrder;
    bool FTookAway = false;
};

class TDOAddAction : public TDOAddDelAction {
public:
    explicit TDOAddAction(TDrawObject& Object) : TDOAddDelAction(Object) {}
    void Redo() override { PutBack(); }
    void Undo() override { TakeAway(); }
};

// Created while the object still lies on its surface. The command that records it then takes
// the object off the surface itself and hands it over with Adopt, so that the object is freed
// with the step once the undo list forgets it.
class TDODelAction : public TDOAddDelAction {
public:
    explicit TDODelAction(TDrawObject& Object) : TDOAddDelAction(Object) {}
    void Redo() override { TakeAway(); }
    void Undo() override { PutBack(); }
    // The object has been taken off its surface for this step: the action answers for it
    // from now on (nothing when it still lies on a surface).
    void Adopt();
};

// A copy of Object for undo and drag feedback: its class, published properties and the data
// its Assign copies; no owner, no parent.
std::unique_ptr<TDrawObject> CloneDrawObject(const TDrawObject& Object);
