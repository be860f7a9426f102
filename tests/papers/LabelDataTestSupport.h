#pragma once
// Objects and helpers for the label document tests: a photo object with pictures (one of
// them nested), and stand-ins for the date, background and connected object kinds that the
// document reaches through its hooks.

#include "TestSupport.h"
#include "UDOList.h"
#include "UDrawObject.h"
#include "ULabelData.h"
#include "UPictureEx.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// A coloured box: the base of the test kinds.
class TTestBox : public TLORectBase {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
public:
    explicit TTestBox(TComponent* Owner = nullptr) : TLORectBase(Owner) {}
    int Color() const { return FColor; }
    void SetColor(int Value) { FColor = Value; }
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;

protected:
    void Paint() override;

private:
    int FColor = 0x0000FF;
};

// A frame with a picture of its own, nested in a photo object.
class TTestFrame : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(TPictureEx* Mask READ Mask WRITE SetMask)
public:
    TTestFrame() : FMask(std::make_unique<TPictureEx>()) {}
    TPictureEx* Mask() const { return FMask.get(); }
    void SetMask(TPictureEx* Value) { FMask->Assign(Value); }
    void Assign(const TPersistent* Source) override;

private:
    std::unique_ptr<TPictureEx> FMask;
};

class TTestPhoto : public TTestBox {
    Q_OBJECT
    Q_PROPERTY(TPictureEx* Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(TTestFrame* Frame READ Frame WRITE SetFrame)
public:
    explicit TTestPhoto(TComponent* Owner = nullptr)
        : TTestBox(Owner), FPicture(std::make_unique<TPictureEx>()),
          FFrame(std::make_unique<TTestFrame>()) {}
    TPictureEx* Picture() const { return FPicture.get(); }
    void SetPicture(TPictureEx* Value) { FPicture->Assign(Value); }
    TTestFrame* Frame() const { return FFrame.get(); }
    void SetFrame(TTestFrame* Value) { FFrame->Assign(Value); }

private:
    std::unique_ptr<TPictureEx> FPicture;
    std::unique_ptr<TTestFrame> FFrame;
};

// Shows a date chosen by UpdateFlag (0 none, 1 open, 2 last print, 3 last save).
class TTestDate : public TTestBox {
    Q_OBJECT
    Q_PROPERTY(int UpdateFlag READ UpdateFlag WRITE SetUpdateFlag)
    Q_PROPERTY(TDateTime Date READ Date WRITE SetDate)
public:
    explicit TTestDate(TComponent* Owner = nullptr) : TTestBox(Owner) {}
    int UpdateFlag() const { return FUpdateFlag; }
    void SetUpdateFlag(int Value) { FUpdateFlag = Value; }
    TDateTime Date() const { return FDate; }
    void SetDate(TDateTime Value) { FDate = Value; }

private:
    int FUpdateFlag = 0;
    TDateTime FDate;
};

class TTestBackground : public TTestBox {
    Q_OBJECT
    Q_PROPERTY(bool Blank READ Blank WRITE SetBlank)
public:
    explicit TTestBackground(TComponent* Owner = nullptr) : TTestBox(Owner) {}
    bool Blank() const { return FBlank; }
    void SetBlank(bool Value) { FBlank = Value; }

private:
    bool FBlank = false;
};

class TTestConnected : public TTestBox {
    Q_OBJECT
    Q_PROPERTY(int ConnectNo READ ConnectNo WRITE SetConnectNo)
    Q_PROPERTY(int Month READ Month WRITE SetMonth)
public:
    explicit TTestConnected(TComponent* Owner = nullptr) : TTestBox(Owner) {}
    int ConnectNo() const { return FConnectNo; }
    void SetConnectNo(int Value) { FConnectNo = Value; }
    int Month() const { return FMonth; }
    void SetMonth(int Value) { FMonth = Value; }

private:
    int FConnectNo = 0;
    int FMonth = 1;
};

// Registers the document classes and the test kinds, and installs hooks for the test kinds.
void PrepareLabelDataTests();

// Owns the objects of a list.
struct TObjects {
    TDOList List;
    TObjects() = default;
    TObjects(const TObjects&) = delete;
    ~TObjects() { List.FreeObjects(); }
    template <class T>
    T* Add(std::unique_ptr<T> Object) {
        T* Raw = Object.release();
        List.Add(Raw);
        return Raw;
    }
};

// A picture holding a W x H bitmap filled with Color (0x00BBGGRR), or a PNG when Png is set.
std::unique_ptr<TPictureEx> MakePicture(int W, int H, uint32_t Color, bool Png = false);
// A photo object at (L, T) sized 300 x 200 holding a copy of Picture.
std::unique_ptr<TTestPhoto> MakePhoto(int L, int T, const TPictureEx& Picture);
// The property stream of Object with pictures' data left out, for comparing objects.
QByteArray ObjectBytes(TDrawObject& Object);
// The pixels of a picture as an image (null for an empty picture).
QByteArray PicturePixels(const TPictureEx& Picture);

// Every stream of a compound file: path ("/"-joined) to content, read by our reader.
std::map<QString, QByteArray> ReadAllStreams(const QString& FileName);
void WriteFileBytes(const QString& FileName, const QByteArray& Bytes);
