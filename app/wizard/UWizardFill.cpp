#include "UWizardFill.h"

#include "UBitmap.h"
#include "UCalendarGhost.h"
#include "UDOList.h"
#include "UDesigner.h"
#include "UDrawSite.h"
#include "UFaceInfo.h"
#include "ULOCalendar.h"
#include "ULOCalendarPage.h"
#include "ULOYearMonth.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPhasedProgress.h"
#include "UPictureEx.h"
#include "UPrintSite.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <memory>
#include <set>
#include <vector>

namespace {

struct TOwnedList {
    TDOList List;
    TOwnedList() = default;
    TOwnedList(const TOwnedList&) = delete;
    TOwnedList& operator=(const TOwnedList&) = delete;
    ~TOwnedList() { List.FreeObjects(); }
};

// Puts back the document's current sheet on leaving scope.
class TSheetKeeper {
public:
    explicit TSheetKeeper(TLabelData& Doc) : FDoc(Doc), FSheet(Doc.CurrentSheetNo()) {}
    ~TSheetKeeper() {
        if (FSheet >= 0 && FSheet < FDoc.SheetCount())
            FDoc.SetSheet(FSheet);
    }
    TSheetKeeper(const TSheetKeeper&) = delete;
    TSheetKeeper& operator=(const TSheetKeeper&) = delete;

private:
    TLabelData& FDoc;
    int FSheet;
};

// Edits one label's objects; answers whether anything changed.
using TLabelEdit = std::function<bool(TDOList& Objects)>;

// Runs Edit over every stored label of the current sheet (faces sharing one design once).
void EditSheetLabels(TLabelData& Doc, const TLabelEdit& Edit, bool MakePreviews) {
    const int faces = std::max(1, Doc.PaperInfo()->GetFaceCount());
    std::set<int> visited;
    for (int face = 0; face < faces; ++face) {
        if (!visited.insert(Doc.LabelEntry(face)).second || !Doc.HasLabelData(face))
            continue;
        TOwnedList objects;
        Doc.ReadLabel(face, objects.List, true);
        if (!Edit(objects.List))
            continue;
        // A label reads bottom first and is written from the topmost object down.
        TDOList topmostFirst = objects.List;
        ReverseList(topmostFirst);
        Doc.WriteLabel(face, topmostFirst);
        if (MakePreviews)
            Doc.MakePreview(face);
    }
}

// Runs Edit over every label of every sheet.
void EditAllLabels(TLabelData& Doc, const TLabelEdit& Edit, bool MakePreviews,
                   TPhasedProgressBase* Progress = nullptr) {
    TSheetKeeper keeper(Doc);
    const int sheets = Doc.SheetCount();
    if (Progress)
        Progress->BeginPhase(0, sheets);
    for (int sheet = 0; sheet < sheets; ++sheet) {
        Doc.SetSheet(sheet);
        EditSheetLabels(Doc, Edit, MakePreviews);
        if (Progress)
            Progress->Step();
    }
    if (Progress)
        Progress->EndPhase();
}

template <class T>
std::vector<T*> ObjectsOf(const TDOList& Objects) {
    std::vector<T*> found;
    for (TDrawObject* object : Objects)
        if (auto* typed = qobject_cast<T*>(object))
            found.push_back(typed);
    return found;
}

// The label's main calendar of the lowest month offset (the first month the label shows),
// or nullptr.
TLOCalendar* MainCalendarOf(const TDOList& Objects, int MonthCount) {
    TLOCalendar* main = nullptr;
    for (TLOCalendar* calendar : ObjectsOf<TLOCalendar>(Objects))
        if (IsMainCalendar(*calendar, MonthCount) &&
            (!main || calendar->MonthOrigin() < main->MonthOrigin()))
            main = calendar;
    return main;
}

template <class T>
bool SetDate(T& Object, int Year, int Month) {
    if (Object.Year() == Year && Object.Month() == Month)
        return false;
    Object.BeginUpdate();
    Object.SetYear(Year);
    Object.SetMonth(Month);
    Object.EndUpdate();
    return true;
}

bool SetLabelDates(TDOList& Objects, int Year, int Month, int MonthCount) {
    bool changed = false;
    const std::vector<TLOCalendar*> calendars = ObjectsOf<TLOCalendar>(Objects);
    for (TLOCalendar* calendar : calendars) {
        int y = Year, m = Month;
        AddMonths(y, m, calendar->MonthOrigin());
        changed |= SetDate(*calendar, y, m);
    }
    const TLOCalendar* main = MainCalendarOf(Objects, MonthCount);
    for (TLOYearMonth* caption : ObjectsOf<TLOYearMonth>(Objects)) {
        const TLOCalendar* source = main;
        if (caption->ConnectNo() != 0) {
            const auto tied = std::find_if(calendars.begin(), calendars.end(), [&](auto* c) {
                return c->ConnectNo() == caption->ConnectNo();
            });
            if (tied != calendars.end())
                source = *tied;
        }
        changed |= source ? SetDate(*caption, source->Year(), source->Month())
                          : SetDate(*caption, Year, Month);
    }
    return changed;
}

// The crop of a Width x Height picture about its centre to the shape of Target.
TRect CentredCrop(int Width, int Height, const TSize& Target) {
    if (Width <= 0 || Height <= 0 || Target.cx <= 0 || Target.cy <= 0)
        return TRect();
    int w = Width, h = Height;
    if (int64_t(Width) * Target.cy > int64_t(Height) * Target.cx)
        w = static_cast<int>(int64_t(Height) * Target.cx / Target.cy);
    else
        h = static_cast<int>(int64_t(Width) * Target.cy / Target.cx);
    w = std::max(1, w);
    h = std::max(1, h);
    const int left = (Width - w) / 2, top = (Height - h) / 2;
    return TRect(left, top, left + w, top + h);
}

// The width in logical units (0.1 mm) of Text in Font at Size points.
int TextWidthAt(const TFont& Font, const QString& Text, int Size) {
    QFont font(SubstituteFontFace(Font.Name()));
    // 1 point = 254 / 72 tenths of a millimetre; measured at ten times that for precision.
    font.setPixelSize(std::max(1, Size * 2540 / 72));
    return QFontMetrics(font).horizontalAdvance(Text) / 10;
}

// The widest text each element of a calendar cell shows, for the width check of font fit.
QString SampleText(int StyleIndex) {
    switch (StyleIndex) {
    case 0:
        return QStringLiteral("水");
    case 1:
        return QStringLiteral("30");
    default:
        return QString();
    }
}

void FitCalendarFonts(TLOCalendar& Target, int OldHeight) {
    const int cellWidth = Target.Width() / 7;
    for (int i = 0; i < TLOCalendar::StyleCount; ++i) {
        TCalObj* style = Target.Style(i);
        TFont* font = style->Font();
        if (!font)
            continue;
        const QString sample = SampleText(i);
        const int elementWidth =
            cellWidth * std::max(0, 10000 - style->RatioRectLeft() - style->RatioRectRight()) /
            10000;
        std::function<int(int)> widthAt;
        if (!sample.isEmpty() && Target.Kind() == ckCross)
            widthAt = [&](int Size) { return TextWidthAt(*font, sample, Size); };
        const int size =
            FitFontSize(font->Size(), Target.Height(), OldHeight, widthAt, elementWidth);
        font->SetSize(size);
        if (size < MinCaptionFontSize)
            style->SetVisible(false);
    }
}

} // namespace

bool IsMainCalendar(const TLOCalendar& Calendar, int MonthCount) {
    const TStringList& appendix = Calendar.Appendix();
    if (appendix.IndexOfName(SMainFlag) >= 0)
        return appendix.Values(SMainFlag).trimmed() == QStringLiteral("1");
    return Calendar.MonthOrigin() >= 0 && Calendar.MonthOrigin() < MonthCount;
}

void SetDocumentYearMonth(TLabelData& Doc, int Year, int Month, bool MakePreviews,
                          TPhasedProgressBase* Progress) {
    EditAllLabels(
        Doc,
        [&](TDOList& Objects) { return SetLabelDates(Objects, Year, Month, Doc.MonthCount()); },
        MakePreviews, Progress);
    TSheetKeeper keeper(Doc);
    for (int sheet = 0; sheet < Doc.SheetCount(); ++sheet) {
        Doc.SetSheet(sheet);
        Doc.SetYear(Year);
        Doc.SetMonth(Month);
    }
}

TColor MonthBackColor(int Month) {
    // Pale seasonal tints: winter blues, spring pinks, summer greens and yellows, autumn
    // beiges.
    static constexpr TColor Colors[12] = {0xFFF0E6, 0xF0E6FF, 0xE6F0FF, 0xEBE4FF,
                                          0xE1F5E1, 0xFFE6E6, 0xFFF5DC, 0xD7FAFF,
                                          0xDCF0F5, 0xD7EBFF, 0xD7E6F5, 0xEBF5EB};
    return Colors[std::clamp(Month, 1, 12) - 1];
}

void SetMonthlyBackColors(TLabelData& Doc) {
    EditAllLabels(
        Doc,
        [&](TDOList& Objects) {
            const TLOCalendar* main = MainCalendarOf(Objects, Doc.MonthCount());
            const TColor color = MonthBackColor(main ? main->Month() : Doc.Month());
            bool changed = false;
            for (TLOCalendarBackGrnd* back : ObjectsOf<TLOCalendarBackGrnd>(Objects)) {
                TColorSpec* fill = back->FillColor();
                if (back->BackStyle() != 0 ||
                    (fill->StoredKind() == cskSolid && fill->Color() == color))
                    continue;
                fill->SetKind(cskSolid);
                fill->SetColor(color);
                changed = true;
            }
            return changed;
        },
        false);
}

int CountCalendarPhotos(TLabelData& Doc) {
    int count = 0;
    EditAllLabels(
        Doc,
        [&](TDOList& Objects) {
            count += static_cast<int>(ObjectsOf<TLOCalendarPhoto>(Objects).size());
            return false;
        },
        false);
    return count;
}

TPhotoPictures LoadCalendarPhotos(const QStringList& Files) {
    TPhotoPictures pictures;
    for (const QString& file : Files) {
        auto picture = std::make_unique<TPictureEx>();
        try {
            picture->LoadFromFile(file);
        } catch (const Exception& e) {
            throw EWizardFillError(
                QStringLiteral("写真「%1」を読み込めません。\n%2").arg(file, e.Message));
        }
        if (picture->Width() <= 0 || picture->Height() <= 0)
            throw EWizardFillError(QStringLiteral("写真「%1」には絵がありません。").arg(file));
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

int PlaceCalendarPhotos(TLabelData& Doc, const TPhotoPictures& Pictures) {
    const TPhotoPictures& pictures = Pictures;
    size_t next = 0;
    EditAllLabels(
        Doc,
        [&](TDOList& Objects) {
            bool changed = false;
            for (TLOCalendarPhoto* photo : ObjectsOf<TLOCalendarPhoto>(Objects)) {
                if (next >= pictures.size())
                    break;
                const TPictureEx& picture = *pictures[next++];
                TImageData* data = photo->ImageData();
                data->Picture()->Assign(&picture);
                data->ClipFilter()->SetClipRect(CentredCrop(
                    picture.Width(), picture.Height(), TSize{photo->Width(), photo->Height()}));
                changed = true;
            }
            return changed;
        },
        false);
    return static_cast<int>(next);
}

int FitFontSize(int Size, int NewExtent, int OldExtent, const std::function<int(int)>& WidthAt,
                int CellWidth) {
    int size = Size;
    if (OldExtent > 0)
        size = static_cast<int>(int64_t(Size) * NewExtent / OldExtent);
    size = std::max(1, size);
    if (WidthAt)
        while (size > 1 && WidthAt(size) > CellWidth)
            --size;
    return size;
}

void ApplyCalendarStyle(TLabelData& Doc, const TLOCalendar& Style) {
    EditAllLabels(
        Doc,
        [&](TDOList& Objects) {
            bool changed = false;
            for (TLOCalendar* calendar : ObjectsOf<TLOCalendar>(Objects)) {
                if (!IsMainCalendar(*calendar, Doc.MonthCount()))
                    continue;
                const TRect bounds = calendar->GetRect();
                const int connectNo = calendar->ConnectNo();
                const TStringList appendix = calendar->Appendix();
                calendar->BeginUpdate();
                calendar->AssignStyle(Style);
                calendar->SetBoundsRect(bounds);
                calendar->SetConnectNo(connectNo);
                calendar->SetAppendix(appendix);
                FitCalendarFonts(*calendar, Style.Height());
                calendar->EndUpdate();
                changed = true;
            }
            return changed;
        },
        false);
}

std::unique_ptr<TLOCalendar> ReadStyleCalendar(const QString& FileName) {
    TLabelData doc;
    doc.LoadFromFile(FileName);
    std::unique_ptr<TLOCalendar> style;
    EditAllLabels(
        doc,
        [&](TDOList& Objects) {
            if (style)
                return false;
            if (TLOCalendar* main = MainCalendarOf(Objects, doc.MonthCount())) {
                style = std::make_unique<TLOCalendar>();
                style->Assign(main);
            }
            return false;
        },
        false);
    if (!style)
        throw EWizardFillError(
            QStringLiteral("「%1」にはカレンダーのスタイルがありません。").arg(FileName));
    return style;
}

void BuildPreviewSite(TLabelData& Doc, TDrawSite& Site) {
    TDOList old;
    Site.GetObjects(old, false);
    old.FreeObjects();
    const TPaperInfo* paper = Doc.PaperInfo();
    Site.SetLogWidth(paper->Width());
    Site.SetLogHeight(paper->Height());
    const int faces = paper->GetFaceCount();
    for (int face = 0; face < faces; ++face) {
        if (!Doc.HasLabelData(face))
            continue;
        TFaceInfo info;
        paper->GetFaceInfo(face, info);
        TOwnedList objects;
        Doc.ReadLabel(face, objects.List, true);
        // Where printing puts them: face coordinates count from the cut line.
        MoveFaceObjectsToSheet(objects.List, info);
        for (TDrawObject* object : objects.List)
            object->SetSelectable(false);
        TDOList inserted = objects.List;
        objects.List.Clear();
        for (TDrawObject* object : inserted)
            Site.InsertObject(object);
        for (TDrawObject* object : inserted)
            Site.AddObject(object);
    }
}

QImage RenderSheetPreview(TLabelData& Doc, int MaxWidth, int MaxHeight) {
    const TPaperInfo* paper = Doc.PaperInfo();
    if (paper->Width() <= 0 || paper->Height() <= 0 || MaxWidth <= 0 || MaxHeight <= 0)
        return QImage();
    TDrawSite site;
    site.SetBorder(false);
    site.Scaler().SetUnitDPI(254);
    site.Scaler().SetScale(100);
    BuildPreviewSite(Doc, site);
    if (site.Width() <= 0 || site.Height() <= 0)
        return QImage();
    const int scale =
        std::max(1, std::min(100 * MaxWidth / site.Width(), 100 * MaxHeight / site.Height()));
    site.Scaler().SetScale(scale);
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(site.Width(), site.Height());
    if (bitmap.Empty())
        return QImage();
    site.DrawTo(bitmap.Canvas(), TPoint(0, 0), scale);
    return bitmap.ToQImage().copy();
}

void FillCalendarDocument(TLabelData& Doc, const TWizardOrder& Order,
                          TPhasedProgressBase* Progress) {
    std::unique_ptr<TLOCalendar> style;
    if (!Order.StyleFile.isEmpty())
        style = ReadStyleCalendar(Order.StyleFile);
    const TPhotoPictures photos = LoadCalendarPhotos(Order.Photos);
    TLabelData work;
    work.LoadFromFile(Order.TemplateFile);
    if (Progress)
        Progress->BeginPhase(0, 4);
    if (style)
        ApplyCalendarStyle(work, *style);
    if (Progress)
        Progress->Step();
    SetDocumentYearMonth(work, Order.Year, Order.Month, false, Progress);
    if (Progress)
        Progress->Step();
    SetMonthlyBackColors(work);
    if (Progress)
        Progress->Step();
    PlaceCalendarPhotos(work, photos);
    if (Progress)
        Progress->Step();
    work.SetDataName(QString());
    Doc.Assign(&work);
    Doc.SetModified(true);
    if (Progress)
        Progress->EndPhase();
}
