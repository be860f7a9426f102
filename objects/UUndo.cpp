#include "UUndo.h"

#include "UComponentCopy.h"
#include "UDOList.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UException.h"

// ---------------------------------------------------------------------------------------
// TActionGroup

void TActionGroup::Add(std::unique_ptr<TActionBase> Action) {
    if (FChildren.empty()) {
        SetFlags(Action->Flags());
        if (Caption().isEmpty())
            SetCaption(Action->Caption());
    }
    SetFlags(Flags() & Action->Flags());
    FChildren.push_back(std::move(Action));
}

void TActionGroup::Repeat() {
    for (const auto& child : FChildren)
        child->Repeat();
}

void TActionGroup::Redo() {
    for (const auto& child : FChildren)
        child->Redo();
}

void TActionGroup::Undo() {
    for (auto it = FChildren.rbegin(); it != FChildren.rend(); ++it)
        (*it)->Undo();
}

// ---------------------------------------------------------------------------------------
// TActionList

TActionList::~TActionList() {
    Clear();
}

void TActionList::Add(std::unique_ptr<TActionBase> Action) {
    if (!Action || !FRecording)
        return;
    if (FOpenGroup) {
        FOpenGroup->Add(std::move(Action));
        return;
    }
    while (Count() > FCurrent + 1 && Count() > 0)
        FActions.pop_back();
    FActions.push_back(std::move(Action));
    FCurrent = Count() - 1;
    while (Count() > FLimit) {
        FActions.erase(FActions.begin());
        --FCurrent;
    }
}

void TActionList::BeginGroup(const QString& Caption) {
    auto group = std::make_unique<TActionGroup>(FOpenGroup.release());
    group->SetCaption(Caption);
    FOpenGroup = std::move(group);
}

void TActionList::EndGroup() {
    if (!FOpenGroup)
        throw Exception(QStringLiteral("group level is invalid"));
    std::unique_ptr<TActionGroup> closed = std::move(FOpenGroup);
    FOpenGroup.reset(closed->Parent());
    if (closed->Count() > 0)
        Add(std::move(closed));
}

bool TActionList::CanUndo() const {
    return FCurrent >= 0 && FCurrent < Count() && FActions[FCurrent]->CanUndo();
}

bool TActionList::CanRepeatLast() const {
    return FRepeatEnabled && FCurrent == Count() - 1;
}

bool TActionList::CanRedo() const {
    if (FCurrent + 1 < Count())
        return FActions[FCurrent + 1]->CanRedo();
    if (CanRepeatLast())
        return FCurrent >= 0 && FActions[FCurrent]->CanRepeat();
    return false;
}

void TActionList::Undo() {
    if (!CanUndo())
        return;
    // The position moves once the action has done its work: one that raises leaves the list
    // where the page still is.
    FActions[FCurrent]->Undo();
    --FCurrent;
}

// A repeat adds no step of its own, so the position stays where it is and the repeated
// action can still be undone or repeated again.
void TActionList::Redo() {
    if (!CanRedo())
        return;
    if (FCurrent + 1 < Count()) {
        FActions[FCurrent + 1]->Redo();
        ++FCurrent;
    } else {
        FActions[FCurrent]->Repeat();
    }
}

QString TActionList::UndoCaption() const {
    return FCurrent >= 0 && FCurrent < Count() ? FActions[FCurrent]->Caption() : QString();
}

QString TActionList::RedoCaption() const {
    if (FCurrent + 1 < Count())
        return FActions[FCurrent + 1]->Caption();
    if (CanRepeatLast() && FCurrent >= 0)
        return FActions[FCurrent]->Caption();
    return {};
}

void TActionList::Clear() {
    while (FOpenGroup) {
        std::unique_ptr<TActionGroup> group = std::move(FOpenGroup);
        FOpenGroup.reset(group->Parent());
    }
    FCurrent = 0;
    std::vector<std::unique_ptr<TActionBase>> actions = std::move(FActions);
    FActions.clear();
    for (auto& action : actions)
        action.reset();
}

TActionList& ActionList() {
    static TActionList list;
    return list;
}

// ---------------------------------------------------------------------------------------
// Snapshots and copies

TDOWeakList SnapshotObjects(const TDrawSite& Site, bool SelectedOnly) {
    TDOList objects;
    Site.GetObjects(objects, SelectedOnly);
    TDOWeakList result;
    result.reserve(objects.Count());
    for (int i = 0; i < objects.Count(); ++i)
        result.emplace_back(objects[i]);
    return result;
}

// Sends every object still alive and on Site, topmost first, to the back of its layer group,
// which rebuilds the recorded stacking.
static void RestoreStacking(const TDOWeakList& Order, const TDrawSite* Site) {
    for (const QPointer<TDrawObject>& object : Order)
        if (object && object->DrawSite() == Site)
            object->SendToLayerBack();
}

std::unique_ptr<TDrawObject> CloneDrawObject(const TDrawObject& Object) {
    std::unique_ptr<TComponent> clone = CloneComponent(Object);
    auto* object = qobject_cast<TDrawObject*>(clone.get());
    if (!object)
        throw Exception(QStringLiteral("%1 is not a drawing object").arg(clone->ClassName()));
    clone.release();
    std::unique_ptr<TDrawObject> result(object);
    result->Assign(&Object);
    return result;
}

// ---------------------------------------------------------------------------------------
// TDOLayerAction

TDOLayerAction::TDOLayerAction(TDrawSite& Site)
    : FBefore(SnapshotObjects(Site, false)), FSite(&Site) {
    SetFlags(afCanUndo | afCanRedo);
}

void TDOLayerAction::Commit(std::unique_ptr<TDOLayerAction> Action, TActionList& List) {
    if (!Action->FSite)
        return;
    Action->FAfter = SnapshotObjects(*Action->FSite, false);
    Action->FSelection = SnapshotObjects(*Action->FSite, true);
    List.Add(std::move(Action));
}

void TDOLayerAction::Apply(const TDOWeakList& Order) {
    if (!FSite)
        return;
    RestoreStacking(Order, FSite);
    for (const QPointer<TDrawObject>& object : FSelection)
        if (object && object->DrawSite() == FSite)
            object->SetSelected(true);
}

// ---------------------------------------------------------------------------------------
// TDOChangeAction

TDOChangeAction::TDOChangeAction(TDrawObject& Object)
    : FBefore(CloneDrawObject(Object)), FAfter(CloneDrawObject(Object)), FObject(&Object),
      FListener([this](IInterface* Sender, const TGUID& MsgID) { ListenerNotify(Sender, MsgID); }) {
    SetFlags(afCanUndo | afCanRedo);
    Object.Notifier().AddListener(&FListener);
}

TDOChangeAction::~TDOChangeAction() = default;

TDrawObject* TDOChangeAction::Object() const {
    return FObject;
}

void TDOChangeAction::ListenerNotify(IInterface* Sender, const TGUID& MsgID) {
    TDrawObject* object = FObject;
    if (!object || Sender != static_cast<IInterface*>(object))
        return;
    if (MsgID == MsgIdGoingAway)
        FObject = nullptr;
    else if (MsgID == MsgIdChanged)
        FChanged = true;
}

void TDOChangeAction::Commit(std::unique_ptr<TDOChangeAction> Action, TActionList& List) {
    TDrawObject* object = Action->FObject;
    if (!object || !object->Parent())
        return;
    if (!Action->FChanged && !Action->FForced)
        return;
    Action->FAfter->Assign(object);
    List.Add(std::move(Action));
}

void TDOChangeAction::Restore(const TDrawObject* State) {
    TDrawObject* object = FObject;
    if (!object)
        return;
    object->Assign(State);
    object->SetSelected(true);
}

void TDOChangeAction::Undo() {
    Restore(FBefore.get());
}

void TDOChangeAction::Redo() {
    Restore(FAfter.get());
}

// ---------------------------------------------------------------------------------------
// TDOAddDelAction

TDOAddDelAction::TDOAddDelAction(TDrawObject& Object) : FObject(&Object), FSite(Object.DrawSite()) {
    SetFlags(afCanUndo | afCanRedo);
    if (FSite)
        FOrder = SnapshotObjects(*FSite, false);
}

// The action frees only an object it took off the surface itself (or was handed by its
// command) and that is still off every surface; one removed by someone else belongs to
// whoever holds it.
TDOAddDelAction::~TDOAddDelAction() {
    if (FTookAway && FObject && !FObject->Parent())
        std::unique_ptr<TDrawObject> freed(FObject.data());
}

TDrawObject* TDOAddDelAction::Object() const {
    return FObject;
}

TDrawSite* TDOAddDelAction::Site() const {
    return FSite;
}

void TDOAddDelAction::PutBack() {
    if (!FObject || !FSite || FObject->Parent())
        return;
    FSite->AddObject(FObject);
    FTookAway = false;
    FObject->SetSelected(true);
    RestoreStacking(FOrder, FSite);
}

// The object's handles go with it: they would otherwise stay on the surface, pointing at an
// object that is no longer there.
void TDOAddDelAction::TakeAway() {
    if (!FObject || !FObject->Parent())
        return;
    TDrawSite* site = FObject->DrawSite();
    FObject->Changed();
    FObject->SetSelected(false);
    FObject->SetParent(nullptr);
    TakeOver();
    if (site)
        site->DeletePivots();
}

void TDOAddDelAction::TakeOver() {
    FTookAway = FObject && !FObject->Parent();
}

void TDODelAction::Adopt() {
    TakeOver();
}
