#include "ObjectTestSupport.h"

#include "UClasses.h"
#include "UObjectFactory.h"
#include "UPropStream.h"
#include "UUtils.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------------
// TTestRect

TTestRect::TTestRect(TComponent* Owner) : TLORectBase(Owner) {}

std::unique_ptr<TTestRect> TTestRect::Make(int L, int T, int R, int B, TColor Color,
                                           const QString& Name) {
    auto object = std::make_unique<TTestRect>();
    object->SetBoundsRect(TRect(L, T, R, B));
    object->SetColor(Color);
    object->SetName(Name);
    return object;
}

void TTestRect::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Invalidate();
    Changed();
}

void TTestRect::ResizeTo(int AWidth, int AHeight) {
    SetBoundsRect(TRect(Left(), Top(), Left() + AWidth, Top() + AHeight));
}

void TTestRect::DrawOutline(TCanvas& Canvas) {
    Canvas.Rectangle(GetRect());
}

bool TTestRect::HitTest(const TPoint& P) const {
    if (!TLORectBase::HitTest(P))
        return false;
    if (!FHollow)
        return true;
    const TRect r = GetRect();
    return P.x < r.Left + 10 || P.x >= r.Right - 10 || P.y < r.Top + 10 || P.y >= r.Bottom - 10;
}

bool TTestRect::QueryInterface(const TGUID& Id, void** Obj) {
    if (RefuseDrawing && Id == IDODrawing::IID) {
        *Obj = nullptr;
        return false;
    }
    return AnswerInterface<IDOBlend>(this, Id, Obj) || TLORectBase::QueryInterface(Id, Obj);
}

void TTestRect::Paint() {
    ++PaintCount;
    if (FailPaint)
        throw Exception(QStringLiteral("test paint failure"));
    TCanvas& canvas = GetCanvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(FColor);
    if (FHollow) {
        canvas.Pen().SetStyle(psInsideFrame);
        canvas.Pen().SetColor(FColor);
        canvas.Pen().SetWidth(10);
        canvas.Brush().SetStyle(bsClear);
        canvas.Rectangle(GetRect());
    } else {
        canvas.FillRect(GetRect());
    }
}

void TTestRect::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    if (auto* dest = qobject_cast<TTestRect*>(Dest)) {
        dest->SetColor(FColor);
        dest->SetHollow(FHollow);
    }
}

// ---------------------------------------------------------------------------------------
// TTestPivot

TTestPivot::TTestPivot(TDrawObject* Object, int Code)
    : TControl(Object), FObject(Object), FCode(Code) {
    SetCursor(crSizeNWSE);
}

bool TTestPivot::ControlHitTest(const TPoint&) {
    return GhostCount() == 0;
}

void TTestPivot::Paint() {
    Canvas().InvertRect(ClientRect());
}

void TTestPivot::MouseDown(TMouseButton Button, TShiftState, int X, int Y) {
    if (auto* site = qobject_cast<TDrawSite*>(Parent()))
        site->ObjectMouseDown(Button, {}, FObject, FCode, X + Left(), Y + Top());
}

// ---------------------------------------------------------------------------------------
// TTestGhostList

void TTestGhostList::AddSelectGhost() {
    Ghosts.push_back({nullptr, 0});
    Log.push_back("select ghost");
}

void TTestGhostList::AddMoveGhost(TDrawObject& Object, int Code) {
    Ghosts.push_back({&Object, Code});
    Log.push_back("move ghost " + Object.Name().toStdString() + " " + std::to_string(Code));
}

void TTestGhostList::Begin(TDrawSite& ASite, const TRect& ABounds, const TPoint& AStart,
                           TShiftState Shift) {
    Site = &ASite;
    Bounds = ABounds;
    Start = Last = AStart;
    HasMoved = false;
    IsActive = true;
    Log.push_back("begin " + std::to_string(AStart.x) + "," + std::to_string(AStart.y) + " shift " +
                  std::to_string(int(Shift & (ssShift | ssAlt | ssCtrl))));
}

void TTestGhostList::Move(TShiftState, const TPoint& Point) {
    if (!IsActive || Point == Last)
        return;
    Last = Point;
    HasMoved = true;
    Site->InvalidateOverlay(Site->ClientRect());
}

TRect TTestGhostList::Band() const {
    const TPoint end = ClampPointToRect(Last, Bounds);
    return TRect(std::min(Start.x, end.x), std::min(Start.y, end.y), std::max(Start.x, end.x),
                 std::max(Start.y, end.y));
}

void TTestGhostList::End() {
    if (!IsActive)
        return;
    if (HasMoved)
        for (const TGhostRecord& g : Ghosts) {
            if (!g.Object) {
                TRect r = Site->LPtoDPRect(Band());
                ++r.Right;
                ++r.Bottom;
                Site->SelectInRect(r);
            } else if (auto* bounds = QueryObjectInterface<IDOEncloseBounds>(g.Object)) {
                bounds->OffsetBy(Last.x - Start.x, Last.y - Start.y);
            }
        }
    Log.push_back("end");
    Clear();
    if (FailEnd)
        throw Exception(QStringLiteral("the drop failed"));
}

void TTestGhostList::Cancel() {
    if (!IsActive)
        return;
    Log.push_back("cancel");
    Clear();
}

void TTestGhostList::Clear() {
    const bool had = !Ghosts.empty();
    Ghosts.clear();
    IsActive = false;
    if (Site)
        Site->InvalidateOverlay(Site->ClientRect());
    if (had && ClearEvent) {
        const std::function<void()> event = ClearEvent;
        event();
    }
}

void TTestGhostList::PaintGhosts(TDrawSite& ASite, TCanvas& Canvas) {
    ASite.Scaler().SetupCanvas(Canvas);
    Canvas.Pen().SetMode(pmXor);
    Canvas.Pen().SetColor(clWhite);
    Canvas.Pen().SetWidth(0);
    Canvas.Brush().SetStyle(bsClear);
    for (const TGhostRecord& g : Ghosts) {
        if (!g.Object) {
            Canvas.Rectangle(Band());
        } else {
            TRect r = g.Object->GetBoundsRect();
            OffsetRect(r, Last.x - Start.x, Last.y - Start.y);
            Canvas.Rectangle(r);
        }
    }
}

// ---------------------------------------------------------------------------------------
// TTestDesigners

bool TTestDesigners::CreatePivots(TDrawObject& Object) {
    TDrawSite* site = Object.DrawSite();
    if (!site)
        return false;
    const TRect r = Object.GetBoundsRect();
    const TPoint corners[] = {
        {r.Left, r.Top}, {r.Right, r.Top}, {r.Left, r.Bottom}, {r.Right, r.Bottom}};
    int code = 0;
    for (const TPoint& p : corners)
        site->AddPivotAt(new TTestPivot(&Object, code++), p, 7);
    return true;
}

bool TTestDesigners::CreateGhost(TDrawObject& Object, int Code) {
    FGhosts.AddMoveGhost(Object, Code);
    return true;
}

bool TTestDesigners::EditObject(TDrawObject&) {
    ++Edits;
    return EditResult;
}

TInstalledDesignTools::TInstalledDesignTools() {
    SetGhostList(&Ghosts);
    SetDesignerList(&Designers);
}

TInstalledDesignTools::~TInstalledDesignTools() {
    SetGhostList(nullptr);
    SetDesignerList(nullptr);
}

void RegisterTestObjects() {
    RegisterObjectClasses();
    RegisterClasses<TTestRect, TTestNote>();
}

std::unique_ptr<TDrawSite> MakeTestSite(int Width, int Height) {
    auto site = std::make_unique<TDrawSite>();
    site->Scaler().SetUnitDPI(GetScreenPixelsPerInch());
    site->SetLogWidth(Width);
    site->SetLogHeight(Height);
    return site;
}

TTestRect* PlaceTestRect(TDrawSite& Site, const QString& Name, const TRect& R, TColor Color,
                         int Group) {
    std::unique_ptr<TTestRect> object =
        TTestRect::Make(R.Left, R.Top, R.Right, R.Bottom, Color, Name);
    object->SetLayerGroup(Group);
    TTestRect* placed = object.release();
    Site.InsertObject(placed);
    Site.AddObject(placed);
    return placed;
}

std::string SelectionOf(const TDrawSite& Site) {
    TDOList list;
    Site.GetObjects(list, true);
    std::string s;
    for (TDrawObject* o : list)
        s += (s.empty() ? "" : " ") + o->Name().toStdString();
    return s;
}

void ClickSite(TDrawSite& Site, TMouseButton Button, TShiftState Shift, TPoint P, TPoint To) {
    const TShiftState held = Button == mbLeft ? ssLeft : ssRight;
    Site.WndMouseDown(Button, Shift | held, P, false);
    if (To != P)
        Site.WndMouseMove(Shift | held, To);
    Site.WndMouseUp(Button, Shift, To);
}

// ---------------------------------------------------------------------------------------
// THandStream

THandStream::THandStream(const char* ClassName) {
    FBytes = "TPF0";
    Short(ClassName);
    Short("");
}

THandStream& THandStream::Int(const char* Name, int Value) {
    Short(Name);
    FBytes += char(vaInt32);
    for (int i = 0; i < 4; ++i)
        FBytes += char((uint32_t(Value) >> (8 * i)) & 0xFF);
    return *this;
}

THandStream& THandStream::Bool(const char* Name, bool Value) {
    Short(Name);
    FBytes += char(Value ? vaTrue : vaFalse);
    return *this;
}

THandStream& THandStream::String(const char* Name, const char* Value) {
    Short(Name);
    FBytes += char(vaString);
    Short(Value);
    return *this;
}

THandStream& THandStream::Set(const char* Name, const QList<QByteArray>& Idents) {
    Short(Name);
    FBytes += char(vaSet);
    for (const QByteArray& ident : Idents)
        Short(ident.constData());
    FBytes += char(0);
    return *this;
}

THandStream& THandStream::Lines(const char* Name, const QStringList& Lines) {
    Short(Name);
    FBytes += char(vaList);
    for (const QString& l : Lines) {
        FBytes += char(vaString);
        Short(l.toLatin1().constData());
    }
    FBytes += char(vaNull);
    return *this;
}

void THandStream::Short(const char* S) {
    FBytes += char(std::strlen(S));
    FBytes += S;
}
