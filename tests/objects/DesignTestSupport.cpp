#include "DesignTestSupport.h"

#include "UClasses.h"
#include "UException.h"
#include "UPropStream.h"
#include "UStreams.h"

void TTurnRect::SetAngle(int Value) {
    if (Value == FAngle)
        return;
    FAngle = Value;
    Changed();
}

bool TTurnRect::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDORotate>(this, Id, Obj) || TTestRect::QueryInterface(Id, Obj);
}

void TTurnRect::AssignTo(TPersistent* Dest) const {
    TTestRect::AssignTo(Dest);
    if (auto* dest = qobject_cast<TTurnRect*>(Dest))
        dest->SetAngle(FAngle);
}

void TAssignSpy::Assign(const TPersistent* Source) {
    FlagSeen.push_back(AssigningFromGhost());
    if (Fail)
        throw Exception(QStringLiteral("assign failed"));
    TTestRect::Assign(Source);
}

bool TTestGhostDesigner::CreatePivots(TDrawObject& Object) {
    TDrawSite* site = Object.DrawSite();
    if (!site)
        return false;
    const TRect r = Object.GetBoundsRect();
    const TPoint corners[] = {
        {r.Left, r.Top}, {r.Right, r.Top}, {r.Left, r.Bottom}, {r.Right, r.Bottom}};
    int code = 0;
    for (const TPoint& p : corners) {
        auto* pivot = new TLabelPivot(&Object, crSizeNWSE, code++); // owned by Object
        site->AddPivotAt(pivot, p, pivot->Size());
    }
    return true;
}

bool TTestGhostDesigner::CreateGhost(TDrawObject& Object, int Code) {
    switch (Code) {
    case 8:
        TheGhostList().AddGhost(std::make_unique<TRotateGhost>(Object, Code));
        return true;
    case 9:
        TheGhostList().AddGhost(std::make_unique<TSimpleMoveGhost>(Object, Code));
        return true;
    default:
        TheGhostList().AddGhost(std::make_unique<TMoveGhost>(Object, Code));
        return true;
    }
}

TInstalledGhostMachinery::TInstalledGhostMachinery() {
    Designers.Add(std::make_unique<TTestGhostDesigner>());
    InstallGhostList();
    TheGhostList().SetClearEvent({});
    SetDesignerList(&Designers);
    ActionList().Clear();
    MoveOptions() = TMoveOptions();
    SetGhostSnapHook({});
}

TInstalledGhostMachinery::~TInstalledGhostMachinery() {
    TheGhostList().SetClearEvent({});
    TheGhostList().Cancel();
    TheGhostList().Clear();
    ActionList().Clear();
    SetGhostList(nullptr);
    SetDesignerList(nullptr);
    SetGhostSnapHook({});
}

QByteArray StreamOf(TComponent& Component) {
    TMemoryStream stream;
    WriteComponent(stream, Component);
    return stream.Bytes();
}

void RegisterDesignTestObjects() {
    RegisterTestObjects();
    RegisterClasses<TTurnRect, TAssignSpy>();
}
