#pragma once
// Objects and designers for the tests of ghosts, pivots and undo.

#include "ObjectTestSupport.h"
#include "UDesigner.h"
#include "UGhost.h"
#include "UUndo.h"

#include <QByteArray>

// A test rectangle that can turn; the angle is kept, the rectangle is not changed by it.
class TTurnRect : public TTestRect, public IDORotate {
    Q_OBJECT
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
public:
    explicit TTurnRect(TComponent* Owner = nullptr) : TTestRect(Owner) {}
    int GetAngle() const override { return FAngle; }
    void SetAngle(int Value) override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    int FAngle = 0;
};

// Records whether a ghost was assigning when Assign ran; raises from Assign when Fail is set.
class TAssignSpy : public TTestRect {
    Q_OBJECT
public:
    explicit TAssignSpy(TComponent* Owner = nullptr) : TTestRect(Owner) {}
    void Assign(const TPersistent* Source) override;
    bool Fail = false;
    std::vector<bool> FlagSeen;
};

// Move ghosts for presses on objects, rotate ghosts for code 8, simple move ghosts for code
// 9; four label handles per object.
class TTestGhostDesigner : public TDODesigner {
public:
    bool CreatePivots(TDrawObject& Object) override;
    bool CreateGhost(TDrawObject& Object, int Code) override;
};

// The program's ghost list, a designer list with the test designer, and an empty action
// list, for the life of the object.
struct TInstalledGhostMachinery {
    TDODesignerList Designers;
    TInstalledGhostMachinery();
    ~TInstalledGhostMachinery();
};

// The property stream of Component.
QByteArray StreamOf(TComponent& Component);
void RegisterDesignTestObjects();
