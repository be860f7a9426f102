#include "LabelDataTestSupport.h"

#include "UCanvas.h"
#include "UClasses.h"
#include "UCompoundFile.h"
#include "UFaceInfo.h"
#include "UImageGraphic.h"
#include "UPNGImage.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"

#include <QFile>
#include <gtest/gtest.h>

void TTestBox::ResizeTo(int AWidth, int AHeight) {
    SetBoundsRect(TRect(Left(), Top(), Left() + AWidth, Top() + AHeight));
}

void TTestBox::DrawOutline(TCanvas& Canvas) {
    Canvas.Rectangle(GetRect());
}

void TTestBox::Paint() {
    TCanvas& Canvas = GetCanvas();
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(static_cast<TColor>(FColor));
    Canvas.FillRect(GetRect());
}

void TTestFrame::Assign(const TPersistent* Source) {
    if (const auto* Other = qobject_cast<const TTestFrame*>(Source)) {
        FMask->Assign(Other->Mask());
        return;
    }
    TPersistent::Assign(Source);
}

void PrepareLabelDataTests() {
    RegisterLabelDataClasses();
    RegisterClasses<TTestBox, TTestPhoto, TTestDate, TTestBackground, TTestConnected>();
    TLabelDataHooks Hooks;
    Hooks.RefreshDate = [](TDrawObject& Object, const TLabelDataTimes& Times) {
        auto* Date = qobject_cast<TTestDate*>(&Object);
        if (!Date)
            return;
        switch (Date->UpdateFlag()) {
        case 1:
            Date->SetDate(Times.OpenTime);
            break;
        case 2:
            Date->SetDate(Times.LastPrint);
            break;
        case 3:
            Date->SetDate(Times.LastSave);
            break;
        default:
            break;
        }
    };
    Hooks.IsBlankBackground = [](TDrawObject& Object) {
        auto* Back = qobject_cast<TTestBackground*>(&Object);
        return Back && Back->Blank();
    };
    Hooks.FitBackground = [](TDrawObject& Object, const TFaceInfo& Face) {
        if (auto* Back = qobject_cast<TTestBackground*>(&Object))
            Back->SetBoundsRect(TRect(0, 0, Face.GetRect().Width(), Face.GetRect().Height()));
    };
    Hooks.ConnectionNumber = [](TDrawObject& Object) {
        auto* C = qobject_cast<TTestConnected*>(&Object);
        return C ? C->ConnectNo() : 0;
    };
    Hooks.AssignConnectedStyle = [](TDrawObject& Target, TDrawObject& Source) {
        auto* T = qobject_cast<TTestConnected*>(&Target);
        auto* S = qobject_cast<TTestConnected*>(&Source);
        if (T && S)
            T->SetColor(S->Color());
    };
    SetLabelDataHooks(Hooks);
}

std::unique_ptr<TPictureEx> MakePicture(int W, int H, uint32_t Color, bool Png) {
    TBitmap Bitmap(W, H, pf24bit);
    for (int y = 0; y < H; ++y) {
        uint8_t* Row = Bitmap.ScanLine(y);
        for (int x = 0; x < W; ++x) {
            Row[x * 3 + 0] = static_cast<uint8_t>((Color >> 16) + x * 7 + y);
            Row[x * 3 + 1] = static_cast<uint8_t>((Color >> 8) + y * 3);
            Row[x * 3 + 2] = static_cast<uint8_t>(Color + (x ^ y));
        }
    }
    auto Picture = std::make_unique<TPictureEx>();
    if (Png) {
        auto Image = std::make_unique<TPNGImage>();
        Image->SetImage(Bitmap.ToQImage());
        Picture->SetGraphic(std::move(Image));
    } else {
        Picture->SetGraphic(std::make_unique<TSafetyBitmap>(Bitmap));
    }
    return Picture;
}

std::unique_ptr<TTestPhoto> MakePhoto(int L, int T, const TPictureEx& Picture) {
    auto Photo = std::make_unique<TTestPhoto>();
    Photo->SetBoundsRect(TRect(L, T, L + 300, T + 200));
    Photo->Picture()->Assign(&Picture);
    return Photo;
}

QByteArray ObjectBytes(TDrawObject& Object) {
    std::vector<std::pair<TPictureEx*, bool>> Saved;
    const QMetaObject& Class = *Object.metaObject();
    for (const TPropInfo& Prop : GetPropList(Class).Props())
        if (auto* P = qobject_cast<TPictureEx*>(Prop.Kind() == pkPersistent ? Prop.GetObject(Object)
                                                                            : nullptr)) {
            Saved.emplace_back(P, P->StreamDataSuppressed());
            P->SetStreamDataSuppressed(true);
        }
    TMemoryStream Stream;
    WriteComponent(Stream, Object);
    for (auto& [P, S] : Saved)
        P->SetStreamDataSuppressed(S);
    return Stream.Bytes();
}

QByteArray PicturePixels(const TPictureEx& Picture) {
    QImage Image;
    if (auto* Bitmap = qobject_cast<TSafetyBitmap*>(Picture.Graphic()))
        Image = Bitmap->Bitmap().ToQImage();
    else if (auto* Graphic = qobject_cast<TImageGraphic*>(Picture.Graphic()))
        Image = Graphic->Image().convertToFormat(QImage::Format_RGB32);
    if (Image.isNull())
        return {};
    return QByteArray(reinterpret_cast<const char*>(Image.constBits()), Image.sizeInBytes()) +
           QByteArray::number(Image.width()) + "x" + QByteArray::number(Image.height());
}

namespace {

void CollectStreams(TCFStorage& Storage, const QString& Prefix,
                    std::map<QString, QByteArray>& Out) {
    for (const TCFStat& Stat : Storage.EnumElements()) {
        const QString Path = Prefix.isEmpty() ? Stat.Name : Prefix + u'/' + Stat.Name;
        if (Stat.Type == STGTY_STORAGE) {
            auto Child = Storage.OpenStorage(Stat.Name);
            CollectStreams(*Child, Path, Out);
        } else {
            auto Stream = Storage.OpenStream(Stat.Name, false);
            Out[Path] = Stream->ReadBytes(Stream->GetSize());
        }
    }
}

} // namespace

std::map<QString, QByteArray> ReadAllStreams(const QString& FileName) {
    auto File = TCompoundFile::Open(FileName, false);
    std::map<QString, QByteArray> Out;
    CollectStreams(*File->Root(), {}, Out);
    return Out;
}

void WriteFileBytes(const QString& FileName, const QByteArray& Bytes) {
    QFile F(FileName);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(F.write(Bytes), Bytes.size());
}
