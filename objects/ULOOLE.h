#pragma once
// TLOOLE: an embedded object of another program, kept in a layout.
//
// No other program can be embedded or activated here, so the object is the least that keeps
// such data safe: the stored object ("Data", the container's own bytes) is read and written
// back exactly as it was, and the object is moved, resized, copied, deleted and undone like
// any rectangle object. It draws the picture its program left in the data when that is a
// bitmap it can read (see UOLEData.h), otherwise a framed placeholder naming the object's
// class. An empty object (nothing stored) writes no "Data" and draws nothing.
//
// Units: logical units of the surface (0.1 mm).

#include "UDrawObject.h"

#include <QByteArray>
#include <QString>
#include <memory>

class TFiler;
class TStream;
struct TOLEDataInfo;

class TLOOLE : public TLORectBase {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TLOOLE(TComponent* Owner = nullptr);
    ~TLOOLE() override;

    // The stored object's bytes, exactly as read; empty when the object holds nothing.
    const QByteArray& Data() const { return FData; }
    bool IsEmpty() const { return FData.isEmpty(); }
    // Replaces the stored bytes; Changed and repaint when they differ.
    void SetData(const QByteArray& Value);
    // The class of the stored object as its data names it, or "OLE" when it does not.
    QString OLEClassName() const;
    // True when the stored data holds a picture that can be drawn.
    bool HasCachedPicture() const;

    // No program is there to tell the object's extent: 100 x 50 from the top-left.
    void SizeToExtent();
    // Width and Height set directly.
    void ResizeTo(int AWidth, int AHeight) override;
    // The logical rectangle.
    void DrawOutline(TCanvas& Canvas) override;
    // A too large object is scaled down to fit a page.
    bool ScalesToFit() const override { return true; }

    // "Data" after the inherited custom properties, only when the object holds something.
    void DefineProperties(TFiler& Filer) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;

private:
    void ReadData(TStream& S);
    void WriteData(TStream& S) const;
    void DrawPlaceholder(TCanvas& Canvas) const;
    // What the data tells, read on first use and shared with copies of the same data.
    const TOLEDataInfo& Info() const;

    QByteArray FData;
    mutable std::shared_ptr<const TOLEDataInfo> FInfo;
};
