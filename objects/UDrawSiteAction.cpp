#include "UDrawSiteAction.h"

#include "UAppFrame.h"
#include "UClasses.h"
#include "UDOGroup.h"
#include "UDOInterfaces.h"
#include "UDesigner.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "UGMEMStream.h"
#include "UGlobalNotify.h"
#include "UUndo.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImageReader>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <set>

namespace {

// Undo captions of the standard commands.
const QString SCaptionBringToFront = QStringLiteral("最前面へ移動");
const QString SCaptionSendToBack = QStringLiteral("最背面へ移動");
const QString SCaptionCut = QStringLiteral("切り取り");
const QString SCaptionClear = QStringLiteral("削除");
const QString SCaptionPaste = QStringLiteral("貼り付け");
const QString SCaptionLock = QStringLiteral("ロック");
const QString SCaptionUnlock = QStringLiteral("ロック解除");
const QString SCaptionDontPrint = QStringLiteral("印刷しない");
const QString SCaptionDoPrint = QStringLiteral("印刷する");
const QString SCaptionVertText = QStringLiteral("縦書き");
const QString SCaptionHorzText = QStringLiteral("横書き");
const QString SCaptionProperty = QStringLiteral("プロパティ変更");
const QString SCaptionOffsetAngle = QStringLiteral("回転");
const QString SCaptionGroup = QStringLiteral("グループ化");
const QString SCaptionUngroup = QStringLiteral("グループ解除");

// The kinds the designers make from clipboard text and pictures.
const QString SKindTextPaste = QStringLiteral("TLOTextPaste");
const QString SKindImagePaste = QStringLiteral("TLOImagePaste");

// Every live command, for the idle update.
std::set<TDrawSiteActionBase*>& LiveActions() {
    static std::set<TDrawSiteActionBase*> actions;
    return actions;
}

// Updates every command when the application goes idle; made with the first command.
// The notifier goes with the application object, before the idle machinery it uses.
void EnsureIdleUpdates() {
    static QPointer<TGlobalNotify> notify;
    if (notify || !QCoreApplication::instance())
        return;
    auto created = std::make_unique<TGlobalNotify>();
    created->OnIdle = [](TGlobalNotify*) { TDrawSiteActionBase::UpdateAll(); };
    created->setParent(QCoreApplication::instance());
    notify = created.release(); // owned by the application object
}

// Whether Object is of the registered class Name (or a descendant); true when no such class
// is registered.
bool OfClass(const TDrawObject* Object, const QMetaObject* Class) {
    return !Class || Object->metaObject()->inherits(Class);
}

// The line edit of Target: itself, or an editable combo box's.
QLineEdit* LineEditOf(QObject* Target) {
    if (auto* edit = qobject_cast<QLineEdit*>(Target))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(Target); combo && combo->isEditable())
        return combo->lineEdit();
    return nullptr;
}

bool EditHasSelection(QObject* Target) {
    if (QLineEdit* edit = LineEditOf(Target))
        return edit->hasSelectedText();
    if (auto* text = qobject_cast<QTextEdit*>(Target))
        return text->textCursor().hasSelection();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(Target))
        return plain->textCursor().hasSelection();
    return false;
}

bool ClipboardHasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

bool IsPictureFormat(const QString& Format) {
    static const QList<QByteArray> types = QImageReader::supportedMimeTypes();
    return Format == QLatin1String("application/x-qt-image") || types.contains(Format.toLatin1());
}

} // namespace

QObject* FocusedActionTarget() {
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return nullptr;
    if (auto* host = qobject_cast<TDrawSiteHost*>(focus))
        return host->Site();
    if (IsEditTarget(focus))
        return focus;
    // The line edit of an editable combo box has the focus for it.
    if (auto* combo = qobject_cast<QComboBox*>(focus->parent()); combo && combo->isEditable())
        return combo;
    return nullptr;
}

bool IsEditTarget(const QObject* Target) {
    if (qobject_cast<const QLineEdit*>(Target) || qobject_cast<const QTextEdit*>(Target) ||
        qobject_cast<const QPlainTextEdit*>(Target))
        return true;
    const auto* combo = qobject_cast<const QComboBox*>(Target);
    return combo && combo->isEditable();
}

// ---------------------------------------------------------------------------------------
// TDrawSiteActionBase

TDrawSiteActionBase::TDrawSiteActionBase(QObject* Parent) : QAction(Parent) {
    LiveActions().insert(this);
    EnsureIdleUpdates();
    connect(this, &QAction::triggered, this, [this] { ExecuteFocused(); });
}

TDrawSiteActionBase::~TDrawSiteActionBase() {
    LiveActions().erase(this);
}

void TDrawSiteActionBase::MakeList(TDrawSite& Site) {
    FList.Clear();
    Site.GetObjects(FList, FSelectedOnly);
    if (FTargetClassName.isEmpty())
        return;
    const QMetaObject* cls = GetClass(FTargetClassName);
    if (!cls)
        return;
    for (int i = FList.Count() - 1; i >= 0; --i) {
        if (OfClass(FList[i], cls))
            continue;
        if (FTargetClassOnly) {
            FList.Clear();
            return;
        }
        FList.Delete(i);
    }
}

bool TDrawSiteActionBase::CanExecute(TDrawSite& Site) {
    MakeList(Site);
    if (FSelectedOnly && !FMultiSelect)
        return FList.Count() == 1;
    return FList.Count() >= 1;
}

void TDrawSiteActionBase::ExecuteFirst(TDrawSite&) {}

void TDrawSiteActionBase::EachObject(TDrawSite&, TDrawObject&) {}

bool TDrawSiteActionBase::HandlesTarget(QObject* Target) const {
    return qobject_cast<TDrawSite*>(Target) != nullptr;
}

void TDrawSiteActionBase::UpdateTarget(QObject* Target) {
    if (auto* site = qobject_cast<TDrawSite*>(Target))
        setEnabled(CanExecute(*site));
}

void TDrawSiteActionBase::ExecuteTarget(QObject* Target) {
    auto* site = qobject_cast<TDrawSite*>(Target);
    if (!site || !CanExecute(*site))
        return;
    TActionList& actions = ActionList();
    Grouped(actions, [&] { Run(*site); });
}

void TDrawSiteActionBase::Grouped(TActionList& Actions, const std::function<void()>& Body) {
    if (FActionString.isEmpty()) {
        Body();
        return;
    }
    Actions.BeginGroup(FActionString);
    try {
        Body();
    } catch (...) {
        Actions.EndGroup();
        throw;
    }
    Actions.EndGroup();
}

void TDrawSiteActionBase::Run(TDrawSite& Site) {
    QPointer<TDrawSite> site(&Site);
    ExecuteFirst(Site);
    // Weak references: an object gone meanwhile is skipped.
    std::vector<QPointer<TDrawObject>> targets(FList.begin(), FList.end());
    if (!FFromFront)
        std::reverse(targets.begin(), targets.end());
    for (const QPointer<TDrawObject>& object : targets)
        if (object && site)
            RecordEach(*site, *object, ActionList());
}

namespace {

// Runs Each on Object inside the undo step of Type, recorded in Actions. With recording off
// an object that Each took off its surface is freed here (nothing else answers for it then).
void RecordStep(TDSAUndoType Type, TDrawSite& Site, TDrawObject& Object, TActionList& Actions,
                const std::function<void()>& Each) {
    QPointer<TDrawObject> object(&Object);
    switch (Type) {
    case atDelete: {
        // The step is recorded first; once Each has taken the object off the page the step
        // answers for it, so the object is freed when the undo list forgets the step.
        const bool recording = Actions.Recording();
        TDODelAction* step = nullptr;
        if (recording && Object.DrawSite()) {
            auto action = std::make_unique<TDODelAction>(Object);
            step = action.get();
            Actions.Add(std::move(action));
        }
        Each();
        if (step)
            step->Adopt();
        else if (!recording && object && !object->Parent())
            const std::unique_ptr<TDrawObject> deleted(object.data());
        break;
    }
    case atAdd:
        Each();
        if (object && object->DrawSite())
            Actions.Add(std::make_unique<TDOAddAction>(*object));
        break;
    case atChange: {
        auto action = std::make_unique<TDOChangeAction>(Object);
        Each();
        TDOChangeAction::Commit(std::move(action), Actions);
        break;
    }
    case atLayer: {
        auto action = std::make_unique<TDOLayerAction>(Site);
        Each();
        TDOLayerAction::Commit(std::move(action), Actions);
        break;
    }
    case atNone:
        Each();
        break;
    }
}

} // namespace

void TDrawSiteActionBase::RecordEach(TDrawSite& Site, TDrawObject& Object, TActionList& Actions) {
    RecordStep(FActionType, Site, Object, Actions, [&] { EachObject(Site, Object); });
}

void TDrawSiteActionBase::UpdateFocused() {
    QObject* target = FocusedActionTarget();
    if (target && HandlesTarget(target))
        UpdateTarget(target);
    else
        setEnabled(false);
}

void TDrawSiteActionBase::ExecuteFocused() {
    QObject* target = FocusedActionTarget();
    if (!target || !HandlesTarget(target))
        return;
    UpdateTarget(target);
    if (isEnabled())
        ExecuteTarget(target);
}

void TDrawSiteActionBase::UpdateAll() {
    const std::set<TDrawSiteActionBase*> actions = LiveActions();
    for (TDrawSiteActionBase* action : actions)
        if (LiveActions().count(action))
            action->UpdateFocused();
}

// ---------------------------------------------------------------------------------------
// TDrawSiteAction

void TDrawSiteAction::MakeList(TDrawSite& Site) {
    TDrawSiteActionBase::MakeList(Site);
    if (OnMakeList)
        OnMakeList(this);
}

void TDrawSiteAction::ExecuteFirst(TDrawSite&) {
    if (OnExecuteFirst)
        OnExecuteFirst(this);
}

void TDrawSiteAction::EachObject(TDrawSite&, TDrawObject& Object) {
    if (OnEachObject)
        OnEachObject(this, &Object);
}

void TDrawSiteAction::ExecuteTarget(QObject* Target) {
    if (OnExecuteFirst || OnEachObject)
        TDrawSiteActionBase::ExecuteTarget(Target);
}

// ---------------------------------------------------------------------------------------
// TStandardEditDSA

TStandardEditDSA::TStandardEditDSA(QObject* Parent) : TStandardDSA(Parent) {}

QString TStandardEditDSA::ClipboardFormatName() const {
    return ExpandMacros(FClipboardFormat);
}

bool TStandardEditDSA::HandlesTarget(QObject* Target) const {
    return IsEditTarget(Target) || TStandardDSA::HandlesTarget(Target);
}

void TStandardEditDSA::UpdateTarget(QObject* Target) {
    if (IsEditTarget(Target))
        setEnabled(EditEnabled(Target));
    else
        TStandardDSA::UpdateTarget(Target);
}

void TStandardEditDSA::ExecuteTarget(QObject* Target) {
    if (IsEditTarget(Target))
        EditExecute(Target);
    else
        TStandardDSA::ExecuteTarget(Target);
}

bool TStandardEditDSA::EditEnabled(QObject*) const {
    return false;
}

void TStandardEditDSA::EditExecute(QObject*) {}

// ---------------------------------------------------------------------------------------
// Layer commands

TDSABringToFront::TDSABringToFront(QObject* Parent) : TStandardDSA(Parent) {
    SetActionType(atLayer);
    SetActionString(SCaptionBringToFront);
}

void TDSABringToFront::EachObject(TDrawSite&, TDrawObject& Object) {
    Object.BringToLayerFront();
}

TDSASendToBack::TDSASendToBack(QObject* Parent) : TStandardDSA(Parent) {
    SetFromFront(true);
    SetActionType(atLayer);
    SetActionString(SCaptionSendToBack);
}

void TDSASendToBack::EachObject(TDrawSite&, TDrawObject& Object) {
    Object.SendToLayerBack();
}

// ---------------------------------------------------------------------------------------
// Clipboard commands

TDSACopy::TDSACopy(QObject* Parent) : TStandardEditDSA(Parent) {}

void TDSACopy::ExecuteFirst(TDrawSite&) {
    List().CopyToClipboard(ClipboardFormatName());
}

bool TDSACopy::EditEnabled(QObject* Edit) const {
    return EditHasSelection(Edit);
}

void TDSACopy::EditExecute(QObject* Edit) {
    if (QLineEdit* edit = LineEditOf(Edit))
        edit->copy();
    else if (auto* text = qobject_cast<QTextEdit*>(Edit))
        text->copy();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(Edit))
        plain->copy();
}

TDSACut::TDSACut(QObject* Parent) : TDSACopy(Parent) {
    SetActionType(atDelete);
    SetActionString(SCaptionCut);
}

void TDSACut::EachObject(TDrawSite&, TDrawObject& Object) {
    Object.Changed();
    Object.SetParent(nullptr);
}

void TDSACut::EditExecute(QObject* Edit) {
    if (QLineEdit* edit = LineEditOf(Edit))
        edit->cut();
    else if (auto* text = qobject_cast<QTextEdit*>(Edit))
        text->cut();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(Edit))
        plain->cut();
}

TDSAClear::TDSAClear(QObject* Parent) : TStandardEditDSA(Parent) {
    SetActionType(atDelete);
    SetActionString(SCaptionClear);
}

void TDSAClear::EachObject(TDrawSite&, TDrawObject& Object) {
    Object.Changed();
    Object.SetParent(nullptr);
}

bool TDSAClear::EditEnabled(QObject* Edit) const {
    return EditHasSelection(Edit);
}

void TDSAClear::EditExecute(QObject* Edit) {
    if (QLineEdit* edit = LineEditOf(Edit)) {
        if (edit->hasSelectedText())
            edit->del();
    } else if (auto* text = qobject_cast<QTextEdit*>(Edit)) {
        text->textCursor().removeSelectedText();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(Edit)) {
        plain->textCursor().removeSelectedText();
    }
}

TDSAPaste::TDSAPaste(QObject* Parent) : TStandardEditDSA(Parent) {
    SetActionType(atAdd);
    SetActionString(SCaptionPaste);
}

TDSAPaste::~TDSAPaste() {
    FreeUnplaced();
}

// Objects read from the clipboard that never reached the surface belong to nobody else.
void TDSAPaste::FreeUnplaced() {
    for (TDrawObject* object : List())
        if (!object->Parent() && !object->Owner()) {
            const std::unique_ptr<TDrawObject> unplaced(object);
        }
    List().Clear();
}

void TDSAPaste::MakeList(TDrawSite& Site) {
    FreeUnplaced();
    List().PasteFromClipboard(ClipboardFormatName());
    if (!List().IsEmpty()) {
        KeepObjectsInside(List(), TRect(0, 0, Site.LogWidth(), Site.LogHeight()));
        return;
    }
    // What other programs put there: a picture wins over text (programs that copy a picture
    // often add its name or address as text), text comes last. The factory places the new
    // object with its own undo step; the list stays empty.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    const QStringList formats = data->formats();
    if (std::any_of(formats.begin(), formats.end(), IsPictureFormat))
        TheDesignerList().CreateObject(Site, SKindImagePaste);
    else if (data->hasText())
        TheDesignerList().CreateObject(Site, SKindTextPaste);
}

bool TDSAPaste::CanExecute(TDrawSite&) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return false;
    if (data->hasFormat(ClipboardMimeType(ClipboardFormatName())) || data->hasText())
        return true;
    const QStringList formats = data->formats();
    return std::any_of(formats.begin(), formats.end(), IsPictureFormat);
}

void TDSAPaste::ExecuteTarget(QObject* Target) {
    if (IsEditTarget(Target)) {
        EditExecute(Target);
        return;
    }
    auto* site = qobject_cast<TDrawSite*>(Target);
    if (!site || !CanExecute(*site))
        return;
    MakeList(*site);
    try {
        Grouped(ActionList(), [&] { Run(*site); });
    } catch (...) {
        FreeUnplaced();
        throw;
    }
    List().Clear();
}

void TDSAPaste::ExecuteFirst(TDrawSite& Site) {
    Site.SelectAll(false);
}

void TDSAPaste::EachObject(TDrawSite& Site, TDrawObject& Object) {
    Site.InsertObject(&Object);
    Site.AddObject(&Object);
    Object.SetSelected(true);
}

bool TDSAPaste::EditEnabled(QObject*) const {
    return ClipboardHasText();
}

void TDSAPaste::EditExecute(QObject* Edit) {
    if (QLineEdit* edit = LineEditOf(Edit))
        edit->paste();
    else if (auto* text = qobject_cast<QTextEdit*>(Edit))
        text->paste();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(Edit))
        plain->paste();
}

// ---------------------------------------------------------------------------------------
// Selection and flags

TDSASelectAll::TDSASelectAll(QObject* Parent) : TStandardDSA(Parent) {
    SetSelectedOnly(false);
}

void TDSASelectAll::MakeList(TDrawSite& Site) {
    TStandardDSA::MakeList(Site);
    for (int i = List().Count() - 1; i >= 0; --i)
        if (!List()[i]->Selectable())
            List().Delete(i);
}

void TDSASelectAll::EachObject(TDrawSite&, TDrawObject& Object) {
    Object.SetSelected(true);
}

TDSALock::TDSALock(QObject* Parent, bool Movable) : TStandardDSA(Parent), FMovable(Movable) {
    SetActionType(atChange);
    SetActionString(Movable ? SCaptionUnlock : SCaptionLock);
}

void TDSALock::MakeList(TDrawSite& Site) {
    TStandardDSA::MakeList(Site);
    for (int i = List().Count() - 1; i >= 0; --i)
        if (List()[i]->Movable() == FMovable)
            List().Delete(i);
}

void TDSALock::EachObject(TDrawSite&, TDrawObject& Object) {
    Object.SetMovable(FMovable);
}

TDSADontPrint::TDSADontPrint(QObject* Parent, bool DontPrint)
    : TStandardDSA(Parent), FDontPrint(DontPrint) {
    SetActionType(atChange);
    SetActionString(DontPrint ? SCaptionDontPrint : SCaptionDoPrint);
}

void TDSADontPrint::MakeList(TDrawSite& Site) {
    TStandardDSA::MakeList(Site);
    for (int i = List().Count() - 1; i >= 0; --i) {
        const auto* label = qobject_cast<TLabelObject*>(List()[i]);
        if (!label || label->DontPrint() == FDontPrint)
            List().Delete(i);
    }
}

void TDSADontPrint::EachObject(TDrawSite&, TDrawObject& Object) {
    if (auto* label = qobject_cast<TLabelObject*>(&Object))
        label->SetDontPrint(FDontPrint);
}

TDSAVertText::TDSAVertText(QObject* Parent, bool Vertical)
    : TStandardDSA(Parent), FVertical(Vertical) {
    SetActionType(atChange);
    SetActionString(Vertical ? SCaptionVertText : SCaptionHorzText);
}

void TDSAVertText::MakeList(TDrawSite& Site) {
    TStandardDSA::MakeList(Site);
    for (int i = List().Count() - 1; i >= 0; --i) {
        const auto* vertical = QueryObjectInterface<IDOVertical>(List()[i]);
        if (!vertical || vertical->GetVertical() == FVertical)
            List().Delete(i);
    }
}

void TDSAVertText::EachObject(TDrawSite&, TDrawObject& Object) {
    if (auto* vertical = QueryObjectInterface<IDOVertical>(&Object))
        vertical->SetVertical(FVertical);
}

TDSAEditProperty::TDSAEditProperty(QObject* Parent) : TStandardDSA(Parent) {
    SetMultiSelect(false);
    SetTargetClassName(QStringLiteral("TLabelObject"));
    // The object's dialog records its own change step when it changes anything.
    SetActionType(atNone);
    SetActionString(SCaptionProperty);
}

void TDSAEditProperty::EachObject(TDrawSite&, TDrawObject& Object) {
    EditLabelObject(Object);
}

TDSAOffsetAngle::TDSAOffsetAngle(QObject* Parent) : TStandardDSA(Parent) {
    SetActionType(atChange);
    SetActionString(SCaptionOffsetAngle);
}

void TDSAOffsetAngle::MakeList(TDrawSite& Site) {
    TStandardDSA::MakeList(Site);
    for (int i = List().Count() - 1; i >= 0; --i)
        if (!QueryObjectInterface<IDORotate>(List()[i]))
            List().Delete(i);
}

void TDSAOffsetAngle::EachObject(TDrawSite&, TDrawObject& Object) {
    if (auto* rotate = QueryObjectInterface<IDORotate>(&Object))
        rotate->RotateTo(rotate->GetAngle() + FOffsetAngle);
}

// ---------------------------------------------------------------------------------------
// Grouping

TDSAGroup::TDSAGroup(QObject* Parent) : TStandardDSA(Parent) {
    SetActionType(atDelete);
    SetActionString(SCaptionGroup);
}

bool TDSAGroup::CanExecute(TDrawSite& Site) {
    MakeList(Site);
    return List().Count() >= 2;
}

// The group goes on the page first (its own add step); the targets then leave it one by one.
void TDSAGroup::ExecuteFirst(TDrawSite& Site) {
    TDOList bottomFirst;
    for (int i = List().Count() - 1; i >= 0; --i)
        bottomFirst.Add(List()[i]);
    Site.SelectAll(false);
    auto group = std::make_unique<TDOGroup>();
    group->AddObjects(bottomFirst);
    TDOGroup* placed = group.get();
    Site.InsertObject(group.release());
    Site.AddObject(placed);
    placed->SetSelected(true);
    ActionList().Add(std::make_unique<TDOAddAction>(*placed));
}

void TDSAGroup::EachObject(TDrawSite&, TDrawObject& Object) {
    Object.Changed();
    Object.SetParent(nullptr);
}

TDSAUngroup::TDSAUngroup(QObject* Parent) : TStandardDSA(Parent) {
    SetTargetClassName(QStringLiteral("TDOGroup"));
    SetActionType(atDelete);
    SetActionString(SCaptionUngroup);
}

void TDSAUngroup::ExecuteFirst(TDrawSite& Site) {
    Site.SelectAll(false);
}

// The group's copies come out (each an add step), then the group leaves the page.
void TDSAUngroup::EachObject(TDrawSite&, TDrawObject& Object) {
    auto* group = qobject_cast<TDOGroup*>(&Object);
    if (!group)
        return;
    group->Ungroup();
    group->SetSelected(false);
    group->Changed();
    group->SetParent(nullptr);
}

// ---------------------------------------------------------------------------------------
// Undo and redo

TDSAUndo::TDSAUndo(QObject* Parent) : TStandardEditDSA(Parent) {
    setText(SUndoCaption);
}

bool TDSAUndo::CanExecute(TDrawSite&) {
    return ActionList().CanUndo();
}

void TDSAUndo::UpdateTarget(QObject* Target) {
    TStandardEditDSA::UpdateTarget(Target);
    const TActionList& actions = ActionList();
    if (qobject_cast<TDrawSite*>(Target) && actions.CanUndo())
        setText(SUndoCaptionFmt.arg(actions.UndoCaption()));
    else
        setText(SUndoCaption);
}

void TDSAUndo::ExecuteTarget(QObject* Target) {
    if (IsEditTarget(Target)) {
        EditExecute(Target);
        return;
    }
    auto* site = qobject_cast<TDrawSite*>(Target);
    if (!site || !CanExecute(*site))
        return;
    site->SelectAll(false);
    ActionList().Undo();
}

bool TDSAUndo::EditEnabled(QObject* Edit) const {
    if (QLineEdit* edit = LineEditOf(Edit))
        return edit->isUndoAvailable();
    if (auto* text = qobject_cast<QTextEdit*>(Edit))
        return text->document()->isUndoAvailable();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(Edit))
        return plain->document()->isUndoAvailable();
    return false;
}

void TDSAUndo::EditExecute(QObject* Edit) {
    if (QLineEdit* edit = LineEditOf(Edit))
        edit->undo();
    else if (auto* text = qobject_cast<QTextEdit*>(Edit))
        text->undo();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(Edit))
        plain->undo();
}

TDSARedo::TDSARedo(QObject* Parent) : TStandardEditDSA(Parent) {
    setText(SRedoCaption);
}

bool TDSARedo::CanExecute(TDrawSite&) {
    return ActionList().CanRedo();
}

void TDSARedo::UpdateTarget(QObject* Target) {
    TStandardEditDSA::UpdateTarget(Target);
    const TActionList& actions = ActionList();
    if (qobject_cast<TDrawSite*>(Target) && actions.CanRedo())
        setText(SRedoCaptionFmt.arg(actions.RedoCaption()));
    else
        setText(SRedoCaption);
}

void TDSARedo::ExecuteTarget(QObject* Target) {
    auto* site = qobject_cast<TDrawSite*>(Target);
    if (!site || !CanExecute(*site))
        return;
    site->SelectAll(false);
    ActionList().Redo();
}

bool TDSARedo::EditEnabled(QObject*) const {
    return false;
}

void TDSARedo::EditExecute(QObject*) {}

// ---------------------------------------------------------------------------------------
// TDSOperation

TDSOperation::TDSOperation(TComponent* Owner) : TComponent(Owner), FActions(&ActionList()) {}

void TDSOperation::MakeList(TDrawSite& Site) {
    FList.Clear();
    Site.GetObjects(FList, SelectedOnly);
    if (!TargetClassName.isEmpty())
        if (const QMetaObject* cls = GetClass(TargetClassName))
            for (int i = FList.Count() - 1; i >= 0; --i) {
                if (OfClass(FList[i], cls))
                    continue;
                if (TargetClassOnly) {
                    FList.Clear();
                    break;
                }
                FList.Delete(i);
            }
    if (OnMakeList)
        OnMakeList(this);
}

bool TDSOperation::CanExecute(TDrawSite& Site) {
    MakeList(Site);
    if (SelectedOnly && !MultiSelect)
        return FList.Count() == 1;
    return FList.Count() >= 1;
}

void TDSOperation::Execute(TDrawSite& Site) {
    if (!OnExecute && !OnEachObject)
        return;
    if (!CanExecute(Site))
        return;
    TActionList& actions = *FActions;
    auto run = [&] {
        QPointer<TDrawSite> site(&Site);
        if (OnExecute)
            OnExecute(this);
        if (!OnEachObject)
            return;
        std::vector<QPointer<TDrawObject>> targets(FList.begin(), FList.end());
        if (!FromFront)
            std::reverse(targets.begin(), targets.end());
        for (const QPointer<TDrawObject>& object : targets) {
            if (!object || !site)
                continue;
            TDrawObject* o = object;
            auto each = [this, o] { OnEachObject(this, o); };
            if (ActionType == atAdd) {
                // The add step is recorded before the event here.
                if (o->DrawSite())
                    actions.Add(std::make_unique<TDOAddAction>(*o));
                each();
            } else if (ActionType == atLayer) {
                each();
            } else {
                RecordStep(ActionType, *site, *o, actions, each);
            }
        }
    };
    if (ActionString.isEmpty()) {
        run();
        return;
    }
    actions.BeginGroup(ActionString);
    try {
        run();
    } catch (...) {
        actions.EndGroup();
        throw;
    }
    actions.EndGroup();
}

// ---------------------------------------------------------------------------------------
// TDSNotifyCatcher

TDSNotifyCatcher::TDSNotifyCatcher(TComponent* Owner)
    : TComponent(Owner),
      FListener(std::make_unique<TListener>(
          [this](IInterface* Sender, const TGUID& MsgID) { Notify(Sender, MsgID); })) {
    if (QCoreApplication::instance()) {
        FIdle = std::make_unique<TGlobalNotify>();
        FIdle->OnIdle = [this](TGlobalNotify*) { TryFire(true); };
    }
}

TDSNotifyCatcher::~TDSNotifyCatcher() {
    if (FDrawSite)
        FDrawSite->Broadcaster().RemoveListener(FListener.get());
}

void TDSNotifyCatcher::SetDrawSite(TDrawSite* Value) {
    if (Value == FDrawSite)
        return;
    if (FDrawSite)
        FDrawSite->Broadcaster().RemoveListener(FListener.get());
    FDrawSite = Value;
    if (FDrawSite) {
        FDrawSite->Broadcaster().AddListener(FListener.get());
        if (OnDrawSiteAttached)
            OnDrawSiteAttached(this);
    } else if (OnDrawSiteDetached) {
        OnDrawSiteDetached(this);
    }
}

void TDSNotifyCatcher::Notify(IInterface* Sender, const TGUID& MsgID) {
    if (MsgID == MsgIdSelectionChanged && OnSelectChanged) {
        FSelectPending = true;
        TryFire(false);
    } else if (MsgID == MsgIdMovableChanged && OnMovableChanged) {
        FMovablePending = true;
        TryFire(false);
    } else if (MsgID == MsgIdGoingAway && FDrawSite &&
               Sender == static_cast<IInterface*>(FDrawSite.data())) {
        // The surface is going away and lets go of its listeners itself.
        FDrawSite = nullptr;
        if (OnDrawSiteDetached)
            OnDrawSiteDetached(this);
    }
}

void TDSNotifyCatcher::TryFire(bool FromIdle) {
    if (FromIdle != WaitIdle)
        return;
    if (FSelectPending && OnSelectChanged) {
        FSelectPending = false;
        OnSelectChanged(this);
    }
    if (FMovablePending && OnMovableChanged) {
        FMovablePending = false;
        OnMovableChanged(this);
    }
}
