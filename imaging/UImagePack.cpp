#include "UImagePack.h"

#include "UBitmap.h"
#include "UCanvas.h"
#include "UGraphicUtils.h"
#include "UMetafile.h"
#include "UPathResolver.h"
#include "USafetyBitmap.h"
#include "UUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>

// ---------------------------------------------------------------------------------------
// Error picture

namespace {

std::unique_ptr<TPictureEx> MakeErrorPicture() {
    const QStringList lines = {QStringLiteral("イメージ処理"), QStringLiteral("エラー")};
    // Measured with the default font on a bitmap canvas, as the picture is drawn.
    TBitmap measure(1, 1, pf24bit);
    std::vector<TSize> extents;
    int width = 0, height = 0;
    for (const QString& line : lines) {
        extents.push_back(measure.Canvas().TextExtent(line));
        width = std::max(width, extents.back().cx);
        height += extents.back().cy;
    }
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetSize(width, height);
    {
        TMetafileCanvas canvas(*metafile);
        canvas.Brush().SetColor(clWhite);
        canvas.FillRect(TRect(0, 0, width, height));
        canvas.Font().SetColor(clRed);
        int y = 0;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            canvas.TextOut((width - extents[i].cx) / 2, y, lines[i]);
            y += extents[i].cy;
        }
    }
    auto picture = std::make_unique<TPictureEx>();
    picture->SetGraphic(std::move(metafile));
    return picture;
}

} // namespace

const TPictureEx& ImagePackErrorPicture() {
    static std::once_flag once;
    static std::unique_ptr<TPictureEx> picture;
    std::call_once(once, [] { picture = MakeErrorPicture(); });
    return *picture;
}

// ---------------------------------------------------------------------------------------
// TImagePack

TImagePack::TImagePack(TComponent* Owner) : TComponent(Owner), FBroadcaster(this) {
    ImagePackErrorPicture();
}

TImagePack::~TImagePack() {
    FBroadcaster.BeforeDestruction();
}

void TImagePack::Changed() {
    FBroadcaster.Broadcast(this, MsgIdImagePackChanged);
    if (OnChange)
        OnChange(this);
}

void TImagePack::Changing() {
    FBroadcaster.Broadcast(this, MsgIdImagePackChanging);
}

void TImagePack::SetCount(int) {
    throw EImagePack(QStringLiteral("Cannot set count of ImagePack"));
}

void TImagePack::SetImageRect(int, const TRect&) {
    throw EImagePack(QStringLiteral("Cannot set ImageRect of ImagePack"));
}

void TImagePack::SetImageLeft(int Index, int Value) {
    TRect r = GetImageRect(Index);
    SetImageRect(Index, TRect(Value, r.Top, Value + r.Width(), r.Bottom));
}

void TImagePack::SetImageTop(int Index, int Value) {
    TRect r = GetImageRect(Index);
    SetImageRect(Index, TRect(r.Left, Value, r.Right, Value + r.Height()));
}

void TImagePack::SetImageWidth(int Index, int Value) {
    TRect r = GetImageRect(Index);
    r.Right = r.Left + Value;
    SetImageRect(Index, r);
}

void TImagePack::SetImageHeight(int Index, int Value) {
    TRect r = GetImageRect(Index);
    r.Bottom = r.Top + Value;
    SetImageRect(Index, r);
}

void TImagePack::Draw(TCanvas& Canvas, int X, int Y, int Index) {
    const TRect r = GetImageRect(Index);
    StretchDraw(Canvas, TRect(X, Y, X + r.Width(), Y + r.Height()), Index);
}

void TImagePack::StretchDraw(TCanvas& Canvas, const TRect& Rect, int Index) {
    TPictureEx picture;
    SafeGetImage(picture, Index);
    if (picture.Graphic())
        LockedStretchDraw(Canvas, Rect, *picture.Graphic());
}

bool TImagePack::SafeGetImage(TPictureEx& Picture, int Index) {
    try {
        GetImage(Picture, Index);
        return true;
    } catch (const std::exception&) {
        Picture.Assign(&ImagePackErrorPicture());
        return false;
    }
}

bool TImagePack::QueryInterface(const TGUID& Id, void** Obj) {
    if (Id == IBroadcaster::IID) {
        *Obj = static_cast<IBroadcaster*>(&FBroadcaster);
        return true;
    }
    return TComponent::QueryInterface(Id, Obj);
}

// ---------------------------------------------------------------------------------------
// TMatrixImagePack

TMatrixImagePack::TMatrixImagePack(TComponent* Owner)
    : TImagePack(Owner), FImage(std::make_unique<TPictureEx>()),
      FImageLoader(std::make_unique<TResourceImageLoader>(FImage.get())) {
    FImage->OnChange = [this](TPictureEx*) { Changed(); };
}

TMatrixImagePack::~TMatrixImagePack() {
    FImage->OnChange = nullptr;
}

void TMatrixImagePack::SetCountCol(int Value) {
    if (Value == FCountCol)
        return;
    FCountCol = Value;
    Changed();
}

void TMatrixImagePack::SetCountRow(int Value) {
    if (Value == FCountRow)
        return;
    FCountRow = Value;
    Changed();
}

bool TMatrixImagePack::IndexOutOfRange(int Index) const {
    return TImagePack::IndexOutOfRange(Index) || IsPictureEmpty(FImage.get());
}

TRect TMatrixImagePack::GetImageRect(int Index) {
    if (IndexOutOfRange(Index) || FCountCol <= 0 || FCountRow <= 0)
        return {};
    const int col = Index % FCountCol;
    const int row = Index / FCountCol;
    if (row >= FCountRow)
        return {};
    const int w = FImage->Width();
    const int h = FImage->Height();
    return TRect(MulDiv(col, w, FCountCol), MulDiv(row, h, FCountRow),
                 MulDiv(col + 1, w, FCountCol), MulDiv(row + 1, h, FCountRow));
}

void TMatrixImagePack::GetImage(TPictureEx& Picture, int Index) {
    Picture.SetGraphic(static_cast<const TGraphic*>(nullptr));
    const TRect cell = GetImageRect(Index);
    if (IsRectDegenerate(cell))
        return;
    if (FCountCol == 1 && FCountRow == 1) {
        Picture.SetGraphic(FImage->Graphic());
        return;
    }
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(cell.Width(), cell.Height());
    LockedDraw(bitmap->Canvas(), -cell.Left, -cell.Top, *FImage->Graphic());
    Picture.SetGraphic(std::move(bitmap));
}

void TMatrixImagePack::StretchDraw(TCanvas& Canvas, const TRect& Rect, int Index) {
    const TRect cell = GetImageRect(Index);
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(FImage->Graphic());
        bitmap && !IsRectDegenerate(cell)) {
        StretchDrawPart(Canvas, Rect, bitmap->Bitmap(), cell);
        return;
    }
    TImagePack::StretchDraw(Canvas, Rect, Index);
}

void TMatrixImagePack::Loaded() {
    TImagePack::Loaded();
    if (FImageLoader->AutoLoad() || (ComponentState() & csDesigning))
        FImageLoader->Load();
    FImageLoader->SetReady(true);
}

// ---------------------------------------------------------------------------------------
// TCachedImagePack

TCachedImagePack::TCachedImagePack(TComponent* Owner) : TImagePack(Owner) {}

TCachedImagePack::~TCachedImagePack() {
    FKeepCache = false;
    ClearCache();
}

void TCachedImagePack::SetCacheLimit(int Value) {
    Value = std::clamp(Value, 1, MaxCacheLimit);
    if (Value == FCacheLimit)
        return;
    FCacheLimit = Value;
    Trim();
}

void TCachedImagePack::Trim() {
    const auto excess = static_cast<std::ptrdiff_t>(FCache.size()) - FCacheLimit;
    if (excess > 0)
        FCache.erase(FCache.begin(), FCache.begin() + excess);
}

void TCachedImagePack::ClearCache() {
    if (FKeepCache)
        return;
    while (!FCache.empty())
        FCache.pop_back();
}

TPictureEx* TCachedImagePack::FindCacheEntry(int Index) {
    for (auto it = FCache.rbegin(); it != FCache.rend(); ++it) {
        if (it->Index != Index)
            continue;
        TEntry entry = std::move(*it);
        FCache.erase(std::next(it).base());
        FCache.push_back(std::move(entry));
        return FCache.back().Picture.get();
    }
    FCache.push_back({Index, std::make_unique<TPictureEx>()});
    TPictureEx* picture = FCache.back().Picture.get();
    Trim();
    return picture;
}

void TCachedImagePack::GetImage(TPictureEx& Picture, int Index) {
    Picture.SetGraphic(static_cast<const TGraphic*>(nullptr));
    if (IndexOutOfRange(Index))
        return;
    TPictureEx* entry = FindCacheEntry(Index);
    if (IsPictureEmpty(entry)) {
        try {
            LoadImage(*entry, Index);
        } catch (const std::exception&) {
            entry->Assign(&ImagePackErrorPicture());
        }
    }
    Picture.SetGraphic(entry->Graphic());
}

void TCachedImagePack::StoreImage(const TPictureEx& Picture, int Index) {
    FindCacheEntry(Index)->Assign(&Picture);
}

// ---------------------------------------------------------------------------------------
// File packs

TFileImagePackBase::TFileImagePackBase(TComponent* Owner) : TCachedImagePack(Owner) {}

void TFileImagePackBase::EditFileList(const std::function<void(TStringList& List)>& Edit) {
    Changing();
    Edit(FFileList);
    ClearCache();
    Changed();
}

TRect TFileImagePackBase::GetImageRect(int Index) {
    if (IndexOutOfRange(Index))
        return {};
    TPictureEx picture;
    SafeGetImage(picture, Index);
    return TRect(0, 0, picture.Width(), picture.Height());
}

void TFileImagePackBase::LoadImage(TPictureEx& Picture, int Index) {
    const QString fileName = FFileList[Index];
    if (OnFileLoad)
        OnFileLoad(this, fileName, Picture);
    if (IsPictureEmpty(&Picture)) {
        const QString existing = FindExistingFile(fileName);
        Picture.LoadFromFile(existing.isEmpty() ? fileName : existing);
    }
    SetPictureTransparent(Picture, FTransparent, FTransparentColor);
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(Picture.Graphic()))
        bitmap->UpdateMask();
}

TFileImagePack::TFileImagePack(TComponent* Owner) : TFileImagePackBase(Owner) {}

void TFileImagePack::SetFileList(const TStringList& List) {
    EditFileList([&](TStringList& Files) { Files = List; });
}

void TFileImagePack::FilterByExtensions(const QString& Extensions) {
    QStringList wanted;
    for (const QString& e : Extensions.split(u';', Qt::SkipEmptyParts))
        wanted << e.trimmed().toUpper();
    EditFileList([&](TStringList& Files) {
        for (int i = Files.Count() - 1; i >= 0; --i) {
            const QString name = QFileInfo(Files[i]).fileName();
            const qsizetype dot = name.lastIndexOf(u'.');
            const QString ext = dot < 0 ? QStringLiteral(".") : name.mid(dot).toUpper();
            if (!wanted.contains(ext))
                Files.Delete(i);
        }
    });
}

TFolderImagePack::TFolderImagePack(TComponent* Owner) : TFileImagePackBase(Owner) {
    FFileList.SetSorted(true);
}

void TFolderImagePack::SetFileMask(const QString& Value) {
    FFileMask = Value;
    EditFileList([this](TStringList& List) { ReadFileList(List); });
}

void TFolderImagePack::ReadFileList(TStringList& List) const {
    List.Clear();
    if (FFileMask.isEmpty())
        return;
    if (!FFileMask.contains(u'*') && !FFileMask.contains(u'?')) {
        ReadListFile(List);
        return;
    }
    List.SetSorted(true);
    const QString mask = ConvertWindowsPath(FFileMask);
    const QFileInfo maskInfo(mask);
    const QString folder = FindExistingPath(maskInfo.path());
    if (folder.isEmpty())
        return;
    QDir dir(folder);
    dir.setNameFilters({maskInfo.fileName()});
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : dir.entryList()) {
        if (!name.startsWith(u'.'))
            List.Add(JoinLocalPath(folder, name));
    }
}

void TFolderImagePack::ReadListFile(TStringList& List) const {
    // A list file keeps its own order: group headings and files as written.
    List.SetSorted(false);
    const QString listFile = FindExistingFile(ConvertWindowsPath(FFileMask));
    if (listFile.isEmpty())
        return;
    TStringList lines;
    lines.LoadFromFile(listFile);
    const QString listFolder = QFileInfo(listFile).path();
    QString base = listFolder;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            List.Add(line);
        } else if (line.toUpper().startsWith(QStringLiteral("FOLDER"))) {
            const qsizetype eq = line.indexOf(u'=');
            const QString folder = eq < 0 ? line : line.mid(eq + 1).trimmed();
            base = JoinLocalPath(listFolder, folder);
        } else {
            List.Add(JoinLocalPath(base, line));
        }
    }
}

// ---------------------------------------------------------------------------------------
// TCustomImagePack

TCustomImagePack::TCustomImagePack(TComponent* Owner) : TCachedImagePack(Owner) {}

int TCustomImagePack::GetCount() const {
    int count = 0;
    if (OnGetCount)
        OnGetCount(const_cast<TCustomImagePack*>(this), count);
    return count;
}

TRect TCustomImagePack::GetImageRect(int Index) {
    if (IndexOutOfRange(Index))
        return {};
    TPictureEx picture;
    SafeGetImage(picture, Index);
    return TRect(0, 0, picture.Width(), picture.Height());
}

void TCustomImagePack::LoadImage(TPictureEx& Picture, int Index) {
    if (OnGetImage)
        OnGetImage(this, Picture, Index);
}

void TCustomImagePack::Refresh() {
    ClearCache();
    Changed();
}
