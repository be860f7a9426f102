#pragma once
// TLOFace: one face (label) of a paper shown as a selectable drawing object, for the paper
// editors and the sheet view. A face can be checked (exclusively within its surface, when
// Exclusive), numbered, and moved and resized while Editable. Its logical rectangle is the
// face's margin rectangle. Faces are made at run time from a paper and never stored.
//
// Units: logical units of the surface (0.1 mm). User-interface thread only.

#include "UDrawObject.h"
#include "UFaceInfo.h"

#include <QMetaObject>

#include <memory>
#include <vector>

class TDrawSite;

// What a paper offers its face objects: the number of its faces and the geometry of each.
class IPaperFaces {
public:
    virtual int GetFaceCount() const = 0;
    // Face I (0 .. GetFaceCount() - 1) into Info.
    virtual void GetFaceInfo(int I, TFaceInfo& Info) const = 0;

protected:
    ~IPaperFaces() = default;
};

class TLOFace : public TLORectBase {
    Q_OBJECT
public:
    // The fill of a checked face, at creation.
    static constexpr TColor DefaultCheckedColor = TColor(0xAFE7FF);

    explicit TLOFace(TComponent* Owner = nullptr);

    // Faces that are not editable keep their geometry once on a surface.
    bool Editable() const { return FEditable; }
    void SetEditable(bool Value) { FEditable = Value; }
    bool Checked() const { return FChecked; }
    // When different: stored and repainted; a face checked while Exclusive unchecks every
    // other face of its surface.
    void SetChecked(bool Value);
    bool Exclusive() const { return FExclusive; }
    void SetExclusive(bool Value);
    bool ShowNumber() const { return FShowNumber; }
    void SetShowNumber(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);

    const TFaceInfo& FaceInfo() const { return FFaceInfo; }
    // Only while Editable or off a surface: the geometry of Info and the rectangle of its
    // margin.
    void SetFaceInfo(const TFaceInfo& Info);
    // Only while Editable or off a surface: the rectangle and the face's margin rectangle.
    void SetBoundsRect(const TRect& R) override;
    void ResizeTo(int AWidth, int AHeight) override;

    // The face's place among the faces of its surface, from 0; -1 off a surface.
    int GetFaceIndex() const;
    // The caption's font size at the surface's zoom: 1200 div zoom percent, at least 1.
    int CaptionFontSize() const;

    // Inside the face's shape; its centre hole counts as inside.
    bool HitTest(const TPoint& P) const override;
    // Handles only while Editable.
    void CreatePivots() override;
    // A move that never copies or turns for -1; other codes go to the designers.
    void CreateGhosts(int HitCode) override;
    void DrawOutline(TCanvas& Canvas) override;

    // After a press changed Checked.
    TNotifyEvent OnCheckChanged;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;

private:
    bool FEditable = false;
    bool FChecked = false;
    bool FExclusive = false;
    TFaceInfo FFaceInfo;
    bool FShowNumber = false;
    TColor FColor = DefaultCheckedColor;
};

// The face objects among Parent's controls, in control order, which is the face order. The
// helpers below each build this list; a caller that visits many faces builds it once.
std::vector<TLOFace*> FacesOf(const TWinControl& Parent);
// Faces on a surface, counting face objects only.
int GetFaceCount(const TDrawSite& Site);
TLOFace* GetCheckedFace(const TDrawSite& Site);
TLOFace* GetFaceByIndex(const TDrawSite& Site, int N);
// Checks the N-th face when there is one.
void CheckFace(const TDrawSite& Site, int N);
// One face object (of FaceClass, a descendant of TLOFace; nullptr for TLOFace) per face of
// Paper, owned by Site and placed on it.
void CreateFaceObjects(TDrawSite& Site, const IPaperFaces& Paper, bool Exclusive,
                       const QMetaObject* FaceClass, bool Editable);
