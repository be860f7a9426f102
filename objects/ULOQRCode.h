#pragma once
// QR Code drawing objects.
//
// TLOQRCode shows a TQRCode symbol in its rectangle, optionally turned by Angle; its data
// bytes are stored with it as the custom property "QRData" (a 32-bit little-endian count and
// that many bytes). A symbol the encoder refused (data too long or invalid) shows a crossed
// placeholder on the screen and prints nothing.
//
// TLOQRStd builds its data itself from contact, titled-address or free-text fields in a
// carrier's text format (QRType, QRKind); its data is not stored but rebuilt from the fields
// after loading. The encoded text is Shift-JIS (CP932) without a terminator.

#include "UDrawObject.h"
#include "UGuid.h"
#include "UQRCode.h"
#include "USafetyBitmap.h"
#include "UStringList.h"
#include "UTransformer.h"

#include <memory>

class TLOQRCode : public TLORectBase, public IDORotate {
    Q_OBJECT
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(QString EncodeMode READ EncodeMode WRITE SetEncodeMode)
    Q_PROPERTY(bool AutoEncodeMode READ AutoEncodeMode WRITE SetAutoEncodeMode)
    Q_PROPERTY(int Version READ Version WRITE SetVersion)
    Q_PROPERTY(bool AutoVersion READ AutoVersion WRITE SetAutoVersion)
    Q_PROPERTY(int MaskNo READ MaskNo WRITE SetMaskNo)
    Q_PROPERTY(bool AutoMask READ AutoMask WRITE SetAutoMask)
    Q_PROPERTY(QString ErrorCorrectLevel READ ErrorCorrectLevel WRITE SetErrorCorrectLevel)
    Q_PROPERTY(int Mergin READ Mergin WRITE SetMergin)
public:
    Q_INVOKABLE explicit TLOQRCode(TComponent* Owner = nullptr);

    int GetAngle() const override { return FRotator.GetAngle(); }
    virtual void SetAngle(int Value) override;
    // One-character strings: "0", "A", "8"; "L", "M", "Q", "H".
    QString EncodeMode() const;
    void SetEncodeMode(const QString& Value);
    bool AutoEncodeMode() const { return FQR->GetAutoEncodeMode(); }
    void SetAutoEncodeMode(bool Value);
    int Version() const;
    void SetVersion(int Value);
    bool AutoVersion() const { return FQR->GetAutoVersion(); }
    void SetAutoVersion(bool Value);
    int MaskNo() const { return FQR->GetMaskNumber(); }
    void SetMaskNo(int Value);
    bool AutoMask() const { return FQR->GetAutoMask(); }
    void SetAutoMask(bool Value);
    QString ErrorCorrectLevel() const { return QString(QChar(FQR->GetErrorCorrectLevel())); }
    void SetErrorCorrectLevel(const QString& Value);
    int Mergin() const { return FQR->GetMargin(); }
    void SetMergin(int Value);

    TQRCode& QRCode() const { return *FQR; }
    // The encoder's data stream, rewound, for dialogs that write new data; they call
    // QRCode().RequestEncode() afterwards.
    TMemoryStream& GetDataStream();

    void DefineProperties(TFiler& Filer) override;
    TRect GetBoundsRect() const override;
    bool HitTest(const TPoint& P) const override;
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;
    // A symbol keeps its aspect when a handle resizes it, and scales down to fit a page.
    bool ScalesToFit() const override { return true; }
    void SetBoundsRect(const TRect& R) override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;
    // After a change of the encoder's settings: cache cleared, Changed, Invalidate.
    void SettingChanged();
    void ClearCache() { FCache.reset(); }

private:
    std::vector<TPoint> RotatedCorners() const;
    void ReadData(TStream& S);
    void WriteData(TStream& S) const;

    TRotator FRotator;
    std::unique_ptr<TQRCode> FQR;
    std::unique_ptr<TSafetyBitmap> FCache;
};

struct TStdQREnum {
    Q_GADGET
public:
    enum TStdQRType { sqtDoCoMo, sqtVodafone, sqtAU };
    Q_ENUM(TStdQRType)
    enum TStdQRKind { sqkTel, sqkURL, sqkTEXT };
    Q_ENUM(TStdQRKind)
};
using TStdQRType = TStdQREnum::TStdQRType;
using enum TStdQREnum::TStdQRType;
using TStdQRKind = TStdQREnum::TStdQRKind;
using enum TStdQREnum::TStdQRKind;

// The fields a profile text is built from.
struct TQRProfile {
    TStdQRType Type = sqtDoCoMo;
    TStdQRKind Kind = sqkTel;
    bool NameCommaDevide = false;
    bool FuriganaHankaku = true;
    QString Name, Furigana, Tel1, Tel2, Email1, Email2, UrlTitle, Url;
    QStringList Text;
};

// The profile text of the fields (empty for the AU format, which has none yet).
QString BuildQRProfileText(const TQRProfile& P);

#define QR_STD_STRING(N)                                                                           \
    QString QR##N() const {                                                                        \
        return FProfile.N;                                                                         \
    }                                                                                              \
    void SetQR##N(const QString& Value) {                                                          \
        SetField(FProfile.N, Value);                                                               \
    }
#define QR_STD_ID(N)                                                                               \
    int QR##N##ID() const {                                                                        \
        return F##N##ID;                                                                           \
    }                                                                                              \
    void SetQR##N##ID(int Value) {                                                                 \
        F##N##ID = Value;                                                                          \
    }

class TLOQRStd : public TLOQRCode {
    Q_OBJECT
    Q_PROPERTY(TStdQRType QRType READ QRType WRITE SetQRType)
    Q_PROPERTY(bool QRNameCommaDevide READ QRNameCommaDevide WRITE SetQRNameCommaDevide)
    Q_PROPERTY(bool QRFuriganaHankaku READ QRFuriganaHankaku WRITE SetQRFuriganaHankaku)
    Q_PROPERTY(QString QRName READ QRName WRITE SetQRName)
    Q_PROPERTY(QString QRFurigana READ QRFurigana WRITE SetQRFurigana)
    Q_PROPERTY(QString QRTel1 READ QRTel1 WRITE SetQRTel1)
    Q_PROPERTY(QString QRTel2 READ QRTel2 WRITE SetQRTel2)
    Q_PROPERTY(QString QREmail1 READ QREmail1 WRITE SetQREmail1)
    Q_PROPERTY(QString QREmail2 READ QREmail2 WRITE SetQREmail2)
    Q_PROPERTY(int QRNameID READ QRNameID WRITE SetQRNameID)
    Q_PROPERTY(int QRFuriganaID READ QRFuriganaID WRITE SetQRFuriganaID)
    Q_PROPERTY(int QRTel1ID READ QRTel1ID WRITE SetQRTel1ID)
    Q_PROPERTY(int QRTel2ID READ QRTel2ID WRITE SetQRTel2ID)
    Q_PROPERTY(int QREmail1ID READ QREmail1ID WRITE SetQREmail1ID)
    Q_PROPERTY(int QREmail2ID READ QREmail2ID WRITE SetQREmail2ID)
    Q_PROPERTY(QString QRUrlTitle READ QRUrlTitle WRITE SetQRUrlTitle)
    Q_PROPERTY(QString QRUrl READ QRUrl WRITE SetQRUrl)
    Q_PROPERTY(TStdQRKind QRKind READ QRKind WRITE SetQRKind)
    Q_PROPERTY(int QRUrlTitleID READ QRUrlTitleID WRITE SetQRUrlTitleID)
    Q_PROPERTY(int QRUrlID READ QRUrlID WRITE SetQRUrlID)
    Q_PROPERTY(TStringList QRText READ QRText WRITE SetQRText)
public:
    Q_INVOKABLE explicit TLOQRStd(TComponent* Owner = nullptr);

    TStdQRType QRType() const { return FProfile.Type; }
    void SetQRType(TStdQRType Value);
    TStdQRKind QRKind() const { return FProfile.Kind; }
    void SetQRKind(TStdQRKind Value);
    bool QRNameCommaDevide() const { return FProfile.NameCommaDevide; }
    void SetQRNameCommaDevide(bool Value);
    bool QRFuriganaHankaku() const { return FProfile.FuriganaHankaku; }
    void SetQRFuriganaHankaku(bool Value);
    QR_STD_STRING(Name)
    QR_STD_STRING(Furigana)
    QR_STD_STRING(Tel1)
    QR_STD_STRING(Tel2)
    QR_STD_STRING(Email1)
    QR_STD_STRING(Email2)
    QR_STD_STRING(UrlTitle)
    QR_STD_STRING(Url)
    QR_STD_ID(Name)
    QR_STD_ID(Furigana)
    QR_STD_ID(Tel1)
    QR_STD_ID(Tel2)
    QR_STD_ID(Email1)
    QR_STD_ID(Email2)
    QR_STD_ID(UrlTitle)
    QR_STD_ID(Url)
    TStringList QRText() const { return TStringList(FProfile.Text); }
    void SetQRText(const TStringList& Value);
    const TGUID& ProfileGuid() const { return FProfileGuid; }

    // Writes the profile text of the fields as the encoder's data and re-encodes. Not run
    // while loading: Loaded rebuilds once from all fields.
    void RebuildData();
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    void SetField(QString& Field, const QString& Value);

    TQRProfile FProfile;
    int FNameID = -1, FFuriganaID = -1, FTel1ID = -1, FTel2ID = -1, FEmail1ID = -1, FEmail2ID = -1,
        FUrlTitleID = -1, FUrlID = -1;
    TGUID FProfileGuid;
};

#undef QR_STD_STRING
#undef QR_STD_ID
