#pragma once
// Capability interfaces of drawing objects.
//
// Tools, ghosts, designers and property dialogs do not know the classes of the objects they
// work on: they ask each object for a capability with QueryObjectInterface and act on those
// that answer; objects that do not answer are skipped. An object answers an interface when
// its class (or an ancestor) implements it, and may refuse one in its current state.
//
// Units: rectangles and points are logical units of the design surface (0.1 mm); angles are
// whole degrees, positive clockwise; ratios are percent.

#include "UInterface.h"
#include "UWinTypes.h"

class TCanvas;
class TColorSpec;
class TFont;

// The geometry rectangle of an object.
class IDORect : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{B7EC5AD0-94E5-11D1-A1DF-0060976E9510}");
    virtual TRect GetRect() const = 0;

protected:
    ~IDORect() = default;
};

// Moving and sizing by the enclosing bounds.
class IDOEncloseBounds : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{4B303A53-7027-11D1-A16E-0060976E9510}");
    virtual void OffsetBy(int Dx, int Dy) = 0;
    virtual void ResizeTo(int AWidth, int AHeight) = 0;
    virtual TRect GetBoundsRect() const = 0;

protected:
    ~IDOEncloseBounds() = default;
};

// Position and size as four numbers, for the property dialogs.
class IDOPosition : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{CF484151-74BF-11D1-A181-0060976E9510}");
    virtual int GetLeft() const = 0;
    virtual void SetLeft(int Value) = 0;
    virtual int GetTop() const = 0;
    virtual void SetTop(int Value) = 0;
    virtual int GetWidth() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual int GetHeight() const = 0;
    virtual void SetHeight(int Value) = 0;
    // True when a new object too large for the page is scaled down keeping its aspect
    // instead of being cut.
    virtual bool ScalesToFit() const = 0;

protected:
    ~IDOPosition() = default;
};

// Drawing on any canvas already mapped to logical units.
class IDODrawing : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{4B303A51-7027-11D1-A16E-0060976E9510}");
    virtual void DrawTo(TCanvas& Canvas) = 0;
    // The outline the drag feedback shows.
    virtual void DrawOutline(TCanvas& Canvas) = 0;

protected:
    ~IDODrawing() = default;
};

class IDORotate : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{14B4B450-7230-11D1-A177-0060976E9510}");
    virtual int GetAngle() const = 0;
    virtual void SetAngle(int Value) = 0;
    // Turns the object to Value as the user sees it: the rotate handle, the rotate commands
    // and the move ghost's turning all go through here. Most objects turn about their rect,
    // which SetAngle already does; an object that shows something else overrides this.
    virtual void RotateTo(int Value) { SetAngle(Value); }

protected:
    ~IDORotate() = default;
};

class IDOLine : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{9E37EE01-9488-11D2-9408-0060976E9510}");
    virtual TPoint GetStartPoint() const = 0;
    virtual void SetStartPoint(const TPoint& Value) = 0;
    virtual TPoint GetEndPoint() const = 0;
    virtual void SetEndPoint(const TPoint& Value) = 0;

protected:
    ~IDOLine() = default;
};

// A line with a bulge: the end points of IDOLine and the point the arc passes through. A
// bulge drag is bracketed by BeginBulgeDrag and EndBulgeDrag.
class IDOCurve : public virtual IDOLine {
public:
    static constexpr TGUID IID = MakeGUID("{705CB8D0-8E77-11D1-A1CC-0060976E9510}");
    virtual void BeginBulgeDrag() = 0;
    virtual void EndBulgeDrag() = 0;
    virtual TPoint GetBulgePoint() const = 0;
    virtual void SetBulgePoint(const TPoint& Value) = 0;

protected:
    ~IDOCurve() = default;
};

// Semi-transparent drawing: Ratio is the opacity in percent; Shade draws through the
// object's own mask even at 100.
class IDOBlend : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{D90DA153-766D-432A-B181-4694F94ABED2}");
    virtual void SetShade(bool Value) = 0;
    virtual bool GetShade() const = 0;
    virtual void SetRatio(int Value) = 0;
    virtual int GetRatio() const = 0;

protected:
    ~IDOBlend() = default;
};

// The main colour of an object. GetColor hands out the object's own fill (its TColorSpec);
// SetColor copies Value into it.
class IDOColor : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{405F7333-8D50-11D1-A1CA-0060976E9510}");
    virtual TColorSpec* GetColor() const = 0;
    virtual void SetColor(const TColorSpec& Value) = 0;

protected:
    ~IDOColor() = default;
};

// A second colour and an on/off switch whose meaning is the class's (a rectangle's fill and
// its no-fill switch, for example).
class IDOShadow : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{405F7334-8D50-11D1-A1CA-0060976E9510}");
    virtual TColorSpec* GetShadowColor() const = 0;
    virtual void SetShadowColor(const TColorSpec& Value) = 0;
    virtual bool GetShadow() const = 0;
    virtual void SetShadow(bool Value) = 0;

protected:
    ~IDOShadow() = default;
};

// Text alignment: 0 left (top in vertical text), 1 centre, 2 right (bottom), 3 justify.
class IDOAlign : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{405F7332-8D50-11D1-A1CA-0060976E9510}");
    virtual int GetAlign() const = 0;
    virtual void SetAlign(int Value) = 0;

protected:
    ~IDOAlign() = default;
};

// GetFont hands out the object's own font; SetFont copies Value into it.
class IDOFont : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{405F7331-8D50-11D1-A1CA-0060976E9510}");
    virtual TFont* GetFont() const = 0;
    virtual void SetFont(const TFont& Value) = 0;

protected:
    ~IDOFont() = default;
};

class IDOVertical : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{DA0A5EA0-8D74-11D1-A1CA-0060976E9510}");
    virtual bool GetVertical() const = 0;
    virtual void SetVertical(bool Value) = 0;

protected:
    ~IDOVertical() = default;
};

class IDOAutoSize : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{405F7330-8D50-11D1-A1CA-0060976E9510}");
    virtual bool GetAutoSize() const = 0;
    virtual void SetAutoSize(bool Value) = 0;

protected:
    ~IDOAutoSize() = default;
};

// The slant of the text feed in degrees.
class IDOFeedAngle : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{5FA98FF7-4B5B-4ECB-8E35-71404A61DE83}");
    virtual int GetFeedAngle() const = 0;
    virtual void SetFeedAngle(int Value) = 0;

protected:
    ~IDOFeedAngle() = default;
};
