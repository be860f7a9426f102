#pragma once
// Drawing objects, handles, designers and a drag list for the surface tests.

#include "UDesignHooks.h"
#include "UDrawObject.h"
#include "UDrawSite.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

// A filled rectangle. Hollow objects are hit only within 10 units of their edge; FailPaint
// makes Paint raise; RefuseDrawing makes the object refuse IDODrawing.
class TTestRect : public TLORectBase, public IDOBlend {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(bool Hollow READ Hollow WRITE SetHollow)
    Q_CLASSINFO("Default:Hollow", "false")
public:
    explicit TTestRect(TComponent* Owner = nullptr);
    // An object at (L, T, R, B) in Color, already named when Name is given.
    static std::unique_ptr<TTestRect> Make(int L, int T, int R, int B, TColor Color,
                                           const QString& Name = {});

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool Hollow() const { return FHollow; }
    void SetHollow(bool Value) { FHollow = Value; }
    bool FailPaint = false;
    bool RefuseDrawing = false;
    int PaintCount = 0;

    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;
    bool HitTest(const TPoint& P) const override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

    void SetShade(bool Value) override { SetBlendShade(Value); }
    bool GetShade() const override { return BlendShade(); }
    void SetRatio(int Value) override { SetBlendRatio(Value); }
    int GetRatio() const override { return BlendRatio(); }

protected:
    void Paint() override;
    void AssignTo(TPersistent* Dest) const override;

private:
    TColor FColor = clRed;
    bool FHollow = false;
};

// A component that is no drawing object, for streams that hold one.
class TTestNote : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    explicit TTestNote(TComponent* Owner = nullptr) : TComponent(Owner) {}
    QString Text() const { return FText; }
    void SetText(const QString& Value) { FText = Value; }

private:
    QString FText;
};

// A selection handle that inverts its square; pressing it presses its object with Code.
class TTestPivot : public TControl {
    Q_OBJECT
public:
    TTestPivot(TDrawObject* Object, int Code);
    TDrawObject* Object() const { return FObject; }
    int Code() const { return FCode; }
    bool ControlHitTest(const TPoint& P) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TDrawObject* FObject;
    int FCode;
};

// A drag list: a rubber band selects on release, a move ghost moves its object by the drag.
class TTestGhostList : public IGhostList {
public:
    struct TGhostRecord {
        TDrawObject* Object; // nullptr for the rubber band
        int Code;
    };
    std::vector<TGhostRecord> Ghosts;
    std::vector<std::string> Log;
    TDrawSite* Site = nullptr;
    TRect Bounds;
    TPoint Start, Last;
    bool IsActive = false;
    bool HasMoved = false;
    bool FailEnd = false; // End raises after finishing, as a failed drop does
    std::function<void()> ClearEvent;

    int Count() const override { return static_cast<int>(Ghosts.size()); }
    bool Active() const override { return IsActive; }
    bool Moved() const override { return HasMoved; }
    void AddSelectGhost() override;
    void AddMoveGhost(TDrawObject& Object, int Code);
    void Begin(TDrawSite& ASite, const TRect& ABounds, const TPoint& AStart,
               TShiftState Shift) override;
    void Move(TShiftState Shift, const TPoint& Point) override;
    void End() override;
    void Cancel() override;
    void SetClearEvent(std::function<void()> Event) override { ClearEvent = std::move(Event); }
    void PaintGhosts(TDrawSite& ASite, TCanvas& Canvas) override;

private:
    TRect Band() const;
    void Clear();
};

// Designers: four corner handles per object, a move ghost per request, edits answered by
// EditResult.
class TTestDesigners : public IDesignerList {
public:
    explicit TTestDesigners(TTestGhostList& Ghosts) : FGhosts(Ghosts) {}
    bool EditResult = true;
    int Edits = 0;
    bool CreatePivots(TDrawObject& Object) override;
    bool CreateGhost(TDrawObject& Object, int Code) override;
    bool EditObject(TDrawObject& Object) override;

private:
    TTestGhostList& FGhosts;
};

// Installs a test drag list and test designers for the life of the object.
struct TInstalledDesignTools {
    TTestGhostList Ghosts;
    TTestDesigners Designers{Ghosts};
    TInstalledDesignTools();
    ~TInstalledDesignTools();
};

// Registers the surface's classes and the test classes for streaming.
void RegisterTestObjects();

// Helpers shared by the surface tests.
// A surface at one logical unit per pixel at 100 %, Width x Height logical units.
std::unique_ptr<TDrawSite> MakeTestSite(int Width, int Height);
// A new rectangle at R in Color named Name, owned by and placed on Site, in layer group Group.
TTestRect* PlaceTestRect(TDrawSite& Site, const QString& Name, const TRect& R, TColor Color,
                         int Group = 0);
// The names of Site's selected objects, topmost first, separated by spaces.
std::string SelectionOf(const TDrawSite& Site);
// A press of Button with Shift at P (client pixels), a move to To when it differs, and the
// release there.
void ClickSite(TDrawSite& Site, TMouseButton Button, TShiftState Shift, TPoint P, TPoint To);
inline void ClickSite(TDrawSite& Site, TMouseButton Button, TShiftState Shift, TPoint P) {
    ClickSite(Site, Button, Shift, P, P);
}

// A property stream written by hand, as older versions of the program wrote objects.
class THandStream {
public:
    explicit THandStream(const char* ClassName);
    THandStream& Int(const char* Name, int Value);
    THandStream& Bool(const char* Name, bool Value);
    // A short Latin-1 string.
    THandStream& String(const char* Name, const char* Value);
    // A set of identifiers, as font styles are stored.
    THandStream& Set(const char* Name, const QList<QByteArray>& Idents);
    THandStream& Lines(const char* Name, const QStringList& Lines);
    QByteArray Finish() const { return FBytes + QByteArray(2, '\0'); }

private:
    void Short(const char* S);
    QByteArray FBytes;
};
