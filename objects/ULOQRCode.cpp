#include "ULOQRCode.h"

#include "UCanvas.h"
#include "UCodePage.h"
#include "UException.h"
#include "UGraphicUtils.h"
#include "UJString.h"
#include "URegion.h"
#include "URotatedRect.h"
#include "URotate.h"
#include "UScaler.h"
#include "UStroke.h"

// ---- TLOQRCode ---------------------------------------------------------------------------

TLOQRCode::TLOQRCode(TComponent* Owner) : TLORectBase(Owner), FQR(std::make_unique<TQRCode>()) {
    SetBoundsRect(TRect(0, 0, 200, 200));
}

void TLOQRCode::SettingChanged() {
    ClearCache();
    Changed();
    Invalidate();
}

void TLOQRCode::SetAngle(int Value) {
    if (Value == FRotator.GetAngle())
        return;
    FRotator.SetAngle(Value);
    ClearCache();
    Changed();
    Invalidate();
    UpdateBounds();
}

QString TLOQRCode::EncodeMode() const {
    return QString(QChar(FQR->GetEncodeMode()));
}

void TLOQRCode::SetEncodeMode(const QString& Value) {
    if (Value.size() != 1)
        return;
    FQR->SetEncodeMode(static_cast<char>(Value[0].unicode() < 128 ? Value[0].unicode() : 0));
    SettingChanged();
}

void TLOQRCode::SetAutoEncodeMode(bool Value) {
    FQR->SetAutoEncodeMode(Value);
    SettingChanged();
}

int TLOQRCode::Version() const {
    return FQR->GetVersion();
}

void TLOQRCode::SetVersion(int Value) {
    FQR->SetVersion(Value);
    SettingChanged();
}

void TLOQRCode::SetAutoVersion(bool Value) {
    FQR->SetAutoVersion(Value);
    SettingChanged();
}

void TLOQRCode::SetMaskNo(int Value) {
    FQR->SetMaskNumber(Value);
    SettingChanged();
}

void TLOQRCode::SetAutoMask(bool Value) {
    FQR->SetAutoMask(Value);
    SettingChanged();
}

void TLOQRCode::SetErrorCorrectLevel(const QString& Value) {
    if (Value.size() != 1)
        return;
    FQR->SetErrorCorrectLevel(static_cast<char>(Value[0].unicode() < 128 ? Value[0].unicode() : 0));
    SettingChanged();
}

void TLOQRCode::SetMergin(int Value) {
    FQR->SetMargin(Value);
    SettingChanged();
}

TMemoryStream& TLOQRCode::GetDataStream() {
    FQR->Data().SetPosition(0);
    return FQR->Data();
}

void TLOQRCode::ReadData(TStream& S) {
    const int64_t available = S.Remaining();
    if (available < 4)
        throw EReadError(QStringLiteral("QRData: データが壊れています"));
    const int32_t n = S.ReadValue<int32_t>();
    if (n < 0 || n > available - 4)
        throw EReadError(QStringLiteral("QRData: データが壊れています"));
    const QByteArray bytes = S.ReadBytes(n);
    FQR->Data().Clear();
    FQR->Data().WriteBytes(bytes);
    FQR->Data().SetPosition(0);
    FQR->RequestEncode();
    ClearCache();
}

void TLOQRCode::WriteData(TStream& S) const {
    const QByteArray& bytes = FQR->Data().Bytes();
    S.WriteValue<int32_t>(static_cast<int32_t>(bytes.size()));
    S.WriteBytes(bytes);
}

void TLOQRCode::DefineProperties(TFiler& Filer) {
    TLORectBase::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "QRData", [this](TStream& S) { ReadData(S); }, [this](TStream& S) { WriteData(S); }, true);
}

std::vector<TPoint> TLOQRCode::RotatedCorners() const {
    return RotatedRectCorners(GetRect(), FRotator);
}

TRect TLOQRCode::GetBoundsRect() const {
    return RotatedRectBounds(GetRect(), FRotator);
}

bool TLOQRCode::HitTest(const TPoint& P) const {
    if (FRotator.GetAngle() == 0)
        return TLORectBase::HitTest(P);
    return RotatedRectContains(GetRect(), FRotator, P);
}

void TLOQRCode::ResizeTo(int AWidth, int AHeight) {
    SetBoundsRect(RotatedRectResized(GetRect(), FRotator, AWidth, AHeight));
}

void TLOQRCode::DrawOutline(TCanvas& Canvas) {
    Canvas.Polygon(RotatedCorners());
}

void TLOQRCode::SetBoundsRect(const TRect& R) {
    const TRect before = GetRect();
    TLORectBase::SetBoundsRect(R);
    const TRect r = GetRect();
    FRotator.SetCenter(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    if (r.Width() != before.Width() || r.Height() != before.Height())
        ClearCache();
    UpdateBounds();
}

bool TLOQRCode::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDORotate>(this, Id, Obj) || TLORectBase::QueryInterface(Id, Obj);
}

void TLOQRCode::Paint() {
    TCanvas& canvas = GetCanvas();
    FQR->Encode();
    if (FQR->Status() != TQRStatus::Ok) {
        // Refused data: a crossed box on the screen, nothing on paper.
        if (IsPrinterCanvas(canvas))
            return;
        canvas.Pen().SetColor(clRed);
        canvas.Pen().SetWidth(0);
        canvas.Brush().SetStyle(bsClear);
        const std::vector<TPoint> p = RotatedCorners();
        canvas.Polygon(p);
        canvas.MoveTo(p[0].x, p[0].y);
        canvas.LineTo(p[2].x, p[2].y);
        canvas.MoveTo(p[1].x, p[1].y);
        canvas.LineTo(p[3].x, p[3].y);
        return;
    }
    // Semi-transparent drawing goes through DrawBlended once the blended-drawing helper is
    // in place; until then the symbol is drawn plainly here.
    if (FRotator.GetAngle() == 0) {
        FQR->Draw(canvas, GetRect());
        return;
    }
    if (!FCache) {
        TSafetyBitmap flat;
        flat.SetPixelFormat(pf24bit);
        flat.SetSize(std::max(1, Width()), std::max(1, Height()));
        flat.Bitmap().Fill(TColor(0xF0F0F0));
        FQR->Draw(flat.Canvas(), TRect(0, 0, flat.Width(), flat.Height()));
        flat.SetTransparentColor(TColor(0xF0F0F0));
        flat.SetTransparent(true);
        flat.Changed();
        FCache = std::make_unique<TSafetyBitmap>();
        RotateGraphic(flat, *FCache, FRotator.GetAngle(), TPoint{flat.Width(), flat.Height()});
    }
    LockedStretchDraw(canvas, GetBoundsRect(), *FCache);
}

void TLOQRCode::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    if (auto* d = qobject_cast<TLOQRCode*>(Dest)) {
        d->SetAngle(GetAngle());
        d->FQR->Assign(FQR.get());
        d->SettingChanged();
    }
}

// ---- Profile texts -----------------------------------------------------------------------

namespace {

QString Escape(const QString& S) {
    QString out;
    for (const QChar c : S) {
        if (c == u'\\' || c == u':' || c == u';' || c == u',')
            out += u'\\';
        out += c;
    }
    return out;
}

// "N:"-style value: "last,first" when splitting applies, else the escaped value.
QString NameValue(const QString& Value, bool Split) {
    if (Split) {
        const QStringList parts = Value.trimmed().split(u' ', Qt::SkipEmptyParts);
        if (parts.size() >= 2)
            return Escape(parts[0]) + u',' + Escape(parts.mid(1).join(u' '));
    }
    return Escape(Value);
}

} // namespace

QString BuildQRProfileText(const TQRProfile& P) {
    if (P.Type == sqtAU)
        return {};
    if (P.Kind == sqkTEXT)
        return P.Text.join(QStringLiteral("\r\n"));
    const QString reading = P.FuriganaHankaku ? ToHalfWidth(P.Furigana) : P.Furigana;
    QString fields;
    if (P.Type == sqtDoCoMo) {
        auto add = [&](const char* Key, const QString& Value) {
            if (!Value.isEmpty())
                fields += QString::fromLatin1(Key) + Value + u';';
        };
        if (P.Kind == sqkTel) {
            if (!P.Name.isEmpty())
                add("N:", NameValue(P.Name, P.NameCommaDevide));
            if (!reading.isEmpty())
                add("SOUND:", NameValue(reading, P.NameCommaDevide));
            add("TEL:", P.Tel1);
            add("TEL:", P.Tel2);
            add("EMAIL:", P.Email1);
            add("EMAIL:", P.Email2);
            return fields.isEmpty() ? QString() : QStringLiteral("MECARD:") + fields + u';';
        }
        add("TITLE:", P.UrlTitle);
        add("URL:", P.Url);
        return fields.isEmpty() ? QString() : QStringLiteral("MEBKM:") + fields + u';';
    }
    // Vodafone
    if (P.Kind == sqkTel) {
        auto line = [&](const char* Key, const QString& Value) {
            if (!Value.isEmpty())
                fields += QString::fromLatin1(Key) + Value + QStringLiteral("\r\n");
        };
        line("NAME1:", P.Name);
        line("NAME2:", reading);
        line("TEL1:", P.Tel1);
        line("TEL2:", P.Tel2);
        line("MAIL1:", P.Email1);
        line("MAIL2:", P.Email2);
        return fields.isEmpty() ? QString() : QStringLiteral("MEMORY:\r\n") + fields;
    }
    if (P.Url.isEmpty())
        return {};
    const QString url = ToHalfWidth(P.Url);
    const QString upper = url.toUpper();
    if (upper.startsWith(QStringLiteral("HTTP://")) || upper.startsWith(QStringLiteral("HTTPS://")))
        return url;
    return QStringLiteral("http://") + url;
}

// ---- TLOQRStd ----------------------------------------------------------------------------

TLOQRStd::TLOQRStd(TComponent* Owner) : TLOQRCode(Owner), FProfileGuid(TGUID::Create()) {}

void TLOQRStd::SetField(QString& Field, const QString& Value) {
    if (Field == Value)
        return;
    Field = Value;
    RebuildData();
}

void TLOQRStd::SetQRType(TStdQRType Value) {
    if (Value == FProfile.Type)
        return;
    FProfile.Type = Value;
    RebuildData();
}

void TLOQRStd::SetQRKind(TStdQRKind Value) {
    if (Value == FProfile.Kind)
        return;
    FProfile.Kind = Value;
    RebuildData();
}

void TLOQRStd::SetQRNameCommaDevide(bool Value) {
    if (Value == FProfile.NameCommaDevide)
        return;
    FProfile.NameCommaDevide = Value;
    RebuildData();
}

void TLOQRStd::SetQRFuriganaHankaku(bool Value) {
    if (Value == FProfile.FuriganaHankaku)
        return;
    FProfile.FuriganaHankaku = Value;
    RebuildData();
}

void TLOQRStd::SetQRText(const TStringList& Value) {
    if (Value.Lines() == FProfile.Text)
        return;
    FProfile.Text = Value.Lines();
    RebuildData();
}

void TLOQRStd::RebuildData() {
    if (ComponentState() & csLoading)
        return;
    TQRCode& qr = QRCode();
    qr.Data().Clear();
    qr.Data().WriteBytes(ToCP932(BuildQRProfileText(FProfile)));
    qr.Data().SetPosition(0);
    qr.RequestEncode();
    qr.Encode();
    SettingChanged();
}

void TLOQRStd::Loaded() {
    TLOQRCode::Loaded();
    RebuildData();
}

void TLOQRStd::DefineProperties(TFiler& Filer) {
    // The data is rebuilt from the fields; only the profile identifier is stored.
    TLORectBase::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "ProfileGuid",
        [this](TStream& S) {
            if (S.Remaining() != 16)
                throw EReadError(QStringLiteral("ProfileGuid: データが壊れています"));
            const QByteArray b = S.ReadBytes(16);
            FProfileGuid = TGUID::FromBytes(b.constData());
        },
        [this](TStream& S) { S.WriteBytes(FProfileGuid.ToBytes()); }, true);
}

void TLOQRStd::AssignTo(TPersistent* Dest) const {
    TLOQRCode::AssignTo(Dest);
    auto* d = qobject_cast<TLOQRStd*>(Dest);
    if (!d)
        return;
    d->FProfile = FProfile;
    d->FNameID = FNameID;
    d->FFuriganaID = FFuriganaID;
    d->FTel1ID = FTel1ID;
    d->FTel2ID = FTel2ID;
    d->FEmail1ID = FEmail1ID;
    d->FEmail2ID = FEmail2ID;
    d->FUrlTitleID = FUrlTitleID;
    d->FUrlID = FUrlID;
    d->FProfileGuid = FProfileGuid;
    d->RebuildData();
}
