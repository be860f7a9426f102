#include "UPrintSite.h"

#include "UAppFrame.h"
#include "UDOInterfaces.h"
#include "UDOList.h"
#include "UDrawObject.h"
#include "UFaceInfo.h"
#include "UGuard.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPhasedProgress.h"
#include "UPrintTarget.h"
#include "UPrinters.h"
#include "UStroke.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

// Resolutions a print may render at, in dots per inch.
constexpr int MinResolution = 36;
constexpr int MaxResolution = 2400;
// A strip of a face is at most this many 24-bit pixels (2 MiB), with this many rows of
// overlap above and below, so that what an object draws near a strip's edge is whole.
constexpr int StripPixels = 699050;
constexpr int StripOverlap = 8;
// The rendered area reaches this many pixels beyond the face on each side.
constexpr int BandInflate = 10;
// Dashed outlines: dash and gap in 0.1 mm.
constexpr double DashLength = 15;
constexpr double DashGap = 5;
// The title format of per-sheet jobs when the settings give none.
const QString DefaultSheetTitleFormat = QStringLiteral("「%s」 %s");

// A canvas over one strip bitmap that answers as a printer of Resolution dots per inch.
TDeviceCaps PrintDeviceCaps(int Resolution, const QSize& PagePixels) {
    TDeviceCaps caps;
    caps.Technology = DT_RASPRINTER;
    caps.LogPixelsX = Resolution;
    caps.LogPixelsY = Resolution;
    caps.HorzRes = PagePixels.width();
    caps.VertRes = PagePixels.height();
    caps.PhysicalWidth = PagePixels.width();
    caps.PhysicalHeight = PagePixels.height();
    return caps;
}

void AddBarrel(QPainterPath& Path, const TRect& R) {
    TStroke stroke;
    TFaceInfo::MakeBarrelStroke(R, stroke);
    QPolygonF polygon;
    for (int i = 0; i < stroke.GetCount(); ++i)
        polygon << QPointF(stroke.GetPoint(i).x, stroke.GetPoint(i).y);
    if (!polygon.isEmpty())
        Path.addPolygon(polygon);
    Path.closeSubpath();
}

QRectF ToRectF(const TRect& R) {
    return QRectF(R.Left, R.Top, R.Width(), R.Height());
}

QString SheetTitleFormat() {
    const QString macro = QStringLiteral("$(PrintTitleFormatEachSheet)");
    try {
        const QString format = ExpandMacros(macro);
        if (format != macro && !format.contains(QStringLiteral("$(")))
            return format;
    } catch (const Exception&) {
        // an undefined macro: the default format below
    }
    return DefaultSheetTitleFormat;
}

// Sets the page painter up for drawing in pixels of the rendering resolution, with the
// page's origin at Origin, and puts its state back when it ends.
class TPagePainting {
public:
    TPagePainting(QPainter& Painter, int DeviceResolution, int Resolution, const TPoint& Origin)
        : FPainter(Painter) {
        FPainter.save();
        const double toDevice = double(DeviceResolution) / Resolution;
        FPainter.scale(toDevice, toDevice);
        FPainter.translate(Origin.x, Origin.y);
    }
    ~TPagePainting() { FPainter.restore(); }
    TPagePainting(const TPagePainting&) = delete;
    TPagePainting& operator=(const TPagePainting&) = delete;

private:
    QPainter& FPainter;
};

} // namespace

namespace {

// The face's shape on Rect and, for shapes with a centre hole, the hole on Centre.
QPainterPath ShapePath(const TFaceInfo& Info, const TRect& Rect, const TRect& Centre) {
    QPainterPath path;
    switch (Info.FaceShape()) {
    case fsDoughnut:
    case fsEllipse:
        path.addEllipse(ToRectF(Rect));
        break;
    case fsRoundRect:
    case fsRectCD:
        path.addRoundedRect(ToRectF(Rect), Info.RoundSize() / 2.0, Info.RoundSize() / 2.0);
        break;
    case fsBarrelCD:
        AddBarrel(path, Rect);
        break;
    default:
        path.addRect(ToRectF(Rect));
        break;
    }
    if (Info.HasCenterHole()) {
        if (Info.CenterShape() == csBarrel)
            AddBarrel(path, Centre);
        else
            path.addEllipse(ToRectF(Centre));
    }
    return path;
}

} // namespace

QPainterPath FaceOutlinePath(const TFaceInfo& Info) {
    return ShapePath(Info, Info.GetMarginRect(), Info.GetCenterMarginRect());
}

QPainterPath FaceCutLinePath(const TFaceInfo& Info) {
    return ShapePath(Info, Info.GetRect(), Info.GetCenterRect());
}

void OffsetObjects(const TDOList& List, const TPoint& By) {
    if (By.x == 0 && By.y == 0)
        return;
    for (TDrawObject* object : List)
        if (auto* bounds = QueryObjectInterface<IDOEncloseBounds>(object))
            bounds->OffsetBy(By.x, By.y);
}

void MoveFaceObjectsToSheet(const TDOList& List, const TFaceInfo& Face) {
    OffsetObjects(List, TPoint(Face.GetRect().Left, Face.GetRect().Top));
}

QRegion FacePrintRegion(const TFaceInfo& Info, int Resolution) {
    TBitmap none;
    TBandCanvas canvas([&none] { return &none; }, Resolution, PrintDeviceCaps(Resolution, QSize()));
    TScaler scaler;
    scaler.SetUnitDPI(254);
    scaler.SetupCanvas(canvas);
    return Info.CreateRegion(&canvas, true).ToQRegion();
}

QString FormatSheetTitle(const QString& Format, const QString& SheetName, const QString& Title) {
    const QString args[] = {SheetName, Title};
    QString result;
    int next = 0;
    for (qsizetype i = 0; i < Format.size(); ++i) {
        if (Format[i] == u'%' && i + 1 < Format.size()) {
            const QChar c = Format[i + 1];
            if (c == u's' && next < 2) {
                result += args[next++];
                ++i;
                continue;
            }
            if (c == u'%') {
                result += u'%';
                ++i;
                continue;
            }
        }
        result += Format[i];
    }
    return result;
}

TPrintSite::TPrintSite(TLabelData& LabelData, TPhasedProgressBase* Progress, const TPrintSpec& Spec)
    : FLabelData(LabelData), FProgress(Progress), FSpec(Spec) {
    SetBorder(false);
    Scaler().SetUnitDPI(254);
    const TPaperInfo* paper = FLabelData.PaperInfo();
    SetLogWidth(paper->Width());
    SetLogHeight(paper->Height());
}

TPrintSite::~TPrintSite() {
    DestroyComponents();
}

void TPrintSite::Print(TPrintTarget& Target) {
    FPagesPrinted = 0;
    FJobsPrinted = 0;
    FSheetsPrinted.clear();
    FResolution = EffectiveResolution(FSpec, Target.DeviceResolution());
    if (FResolution < MinResolution || FResolution > MaxResolution)
        throw EPrintError(QStringLiteral("印刷の解像度 %1 dpi は使えません").arg(FResolution));
    if (FSpec.Copies < 1 || FLabelData.SheetCount() < 1)
        return;
    FOrigin =
        TPoint(MulDiv(FSpec.Offset.x, FResolution, 254), MulDiv(FSpec.Offset.y, FResolution, 254));
    FTarget = &Target;
    const int current = FLabelData.CurrentSheetNo();
    const TGuard restore([this, current] {
        while (FOpenPhases > 0)
            EndPhase();
        if (FTarget)
            FTarget->Discard(); // only an unfinished job is left to drop here
        FTarget = nullptr;
        DestroyComponents();
        FLabelData.SetSheet(current);
    });
    const int first = FSpec.AllSheets ? 0 : current;
    const int last = FSpec.AllSheets ? FLabelData.SheetCount() - 1 : current;
    if (FSpec.SpoolEachSheet && Target.Spools() && last > first)
        OneJobPerSheet(first, last);
    else
        OneJob(first, last);
}

void TPrintSite::OneJob(int First, int Last) {
    FLabelData.SetSheet(First);
    FTarget->BeginDoc(Title, SheetLayout());
    BeginPhase(Last - First + 1);
    QStringList sheets;
    for (int s = First; s <= Last && Printing(); ++s) {
        FLabelData.SetSheet(s);
        PrintCopies(s == First);
        StepProgress();
        sheets << FLabelData.SheetName();
    }
    EndPhase();
    if (FinishJob())
        FSheetsPrinted << sheets;
}

void TPrintSite::OneJobPerSheet(int First, int Last) {
    const QString format = SheetTitleFormat();
    BeginPhase(Last - First + 1);
    bool waiting = true;
    for (int s = First; s <= Last; ++s) {
        FLabelData.SetSheet(s);
        FTarget->BeginDoc(FormatSheetTitle(format, FLabelData.SheetName(), Title), SheetLayout());
        PrintCopies(true);
        StepProgress();
        const bool aborted = FTarget->Aborted();
        if (FinishJob())
            FSheetsPrinted << FLabelData.SheetName();
        if (aborted)
            break;
        if (waiting && s != Last) {
            const int job = FTarget->LastJobId();
            const int answer = job != 0 && OnWaitJob ? OnWaitJob(this, job) : wjaGoOn;
            if (answer == wjaStop)
                break;
            if (answer == wjaStopWaiting)
                waiting = false;
        }
    }
    EndPhase();
}

bool TPrintSite::FinishJob() {
    if (!FTarget->Printing()) {
        FTarget->Discard();
        return false;
    }
    FTarget->EndDoc();
    ++FJobsPrinted;
    FPagesPrinted += FTarget->LastPageCount();
    return true;
}

void TPrintSite::PrintCopies(bool FirstPage) {
    BeginPhase(FSpec.Copies);
    for (int i = 0; Printing() && i < FSpec.Copies; ++i) {
        if (!FirstPage || i > 0)
            FTarget->NewPage(SheetLayout());
        PrintFaces();
        DrawOutlines();
        StepProgress();
    }
    EndPhase();
}

void TPrintSite::PrintFaces() {
    const int faces = FLabelData.PaperInfo()->GetFaceCount();
    int printed = 0;
    for (int f = 0; f < faces; ++f)
        printed += FSpec.IsFacePrinted(f) ? 1 : 0;
    BeginPhase(printed);
    for (int f = 0; f < faces && Printing(); ++f) {
        if (FSpec.IsFacePrinted(f)) {
            PrintFace(f);
            StepProgress();
        }
        ProcessMessages();
    }
    EndPhase();
}

void TPrintSite::PrintFace(int Face) {
    TFaceInfo info;
    FLabelData.PaperInfo()->GetFaceInfo(Face, info);
    if (BuildFaceObjects(Face, info))
        RenderFace(info);
    DestroyComponents(); // the face's pictures go before the next face is read
}

bool TPrintSite::BuildFaceObjects(int Face, const TFaceInfo& Info) {
    DestroyComponents();
    TDOList list;
    FLabelData.ReadLabel(Face, list, true);
    // The site owns every object from here on.
    for (TDrawObject* object : list)
        InsertObject(object);
    MoveFaceObjectsToSheet(list, Info);
    for (TDrawObject* object : list) {
        object->SetSelectable(false);
        AddObject(object);
    }
    return !list.IsEmpty();
}

void TPrintSite::RenderFace(const TFaceInfo& Info) {
    const QRegion region = FacePrintRegion(Info, FResolution);
    const QRect page(-FOrigin.x, -FOrigin.y, MulDiv(LogWidth(), FResolution, 254),
                     MulDiv(LogHeight(), FResolution, 254));
    const QRect band = region.boundingRect()
                           .adjusted(-BandInflate, -BandInflate, BandInflate, BandInflate)
                           .intersected(page);
    if (band.isEmpty())
        return;
    const int rows = std::clamp(StripPixels / band.width(), 1, band.height());
    const int strips = (band.height() + rows - 1) / rows;

    QPainter& painter = FTarget->Painter();
    const TPagePainting painting(painter, FTarget->DeviceResolution(), FResolution, FOrigin);
    painter.setClipRegion(region);
    // Faces carry text and sharp edges: their pixels go to the printer as they are.
    painter.setRenderHint(QPainter::LosslessImageRendering);

    TBitmap strip(band.width(), rows + 2 * StripOverlap, pf24bit);
    TBandCanvas canvas([&strip] { return &strip; }, FResolution,
                       PrintDeviceCaps(FResolution, page.size()));
    BeginPhase(strips);
    for (int top = band.top(); top <= band.bottom() && Printing(); top += rows) {
        const int height = std::min(rows, band.bottom() + 1 - top);
        strip.Fill(clWhite);
        BeginPhase(ControlCount());
        DrawTo(canvas, TPoint(band.left(), top - StripOverlap), 100);
        EndPhase();
        if (Printing()) {
            const QImage view = strip.View();
            painter.drawImage(QRectF(band.left(), top, band.width(), height), view,
                              QRectF(0, StripOverlap, band.width(), height));
        }
        StepProgress();
    }
    EndPhase();
}

void TPrintSite::DrawOutlines() {
    if (!Printing() || (!FSpec.OutlineSolid && !FSpec.OutlineDashed))
        return;
    QPainter& painter = FTarget->Painter();
    const TPagePainting painting(painter, FTarget->DeviceResolution(), FResolution, FOrigin);
    painter.scale(FResolution / 254.0, FResolution / 254.0);
    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    // Hairlines: one rendering pixel wide. Dashes are 1.5 mm with gaps of 0.5 mm on paper
    // (a pattern in device pixels would vanish into a solid line on a fine printer).
    const double hairline = 254.0 / FResolution;
    QPen solid(Qt::black, hairline, Qt::SolidLine, Qt::FlatCap);
    QPen dashed(Qt::black, hairline, Qt::CustomDashLine, Qt::FlatCap);
    dashed.setDashPattern({DashLength / hairline, DashGap / hairline});
    const TPaperInfo* paper = FLabelData.PaperInfo();
    for (int f = 0; f < paper->GetFaceCount(); ++f) {
        if (!FSpec.IsFacePrinted(f))
            continue;
        TFaceInfo info;
        paper->GetFaceInfo(f, info);
        // The solid outline bounds what prints (the bleed included); the dashed one is
        // where the sheet is cut.
        if (FSpec.OutlineSolid) {
            painter.setPen(solid);
            painter.drawPath(FaceOutlinePath(info));
        }
        if (FSpec.OutlineDashed) {
            painter.setPen(dashed);
            painter.drawPath(FaceCutLinePath(info));
        }
    }
}

QPageLayout TPrintSite::SheetLayout() {
    const TPaperInfo* paper = FLabelData.PaperInfo();
    SetLogWidth(paper->Width());
    SetLogHeight(paper->Height());
    return PaperPageLayout(paper->Width(), paper->Height());
}

bool TPrintSite::Printing() const {
    return FTarget && FTarget->Printing();
}

void TPrintSite::ProcessMessages() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void TPrintSite::BeginPhase(int Max) {
    if (FProgress)
        FProgress->BeginPhase(1, Max);
    ++FOpenPhases;
}

void TPrintSite::EndPhase() {
    if (FOpenPhases == 0)
        return;
    --FOpenPhases;
    if (FProgress)
        FProgress->EndPhase();
}

void TPrintSite::StepProgress() {
    if (FProgress)
        FProgress->Step();
}

void TPrintSite::DrawProgress(int Value) {
    StepProgress();
    ProcessMessages();
}

void TPrintSite::DrawObject(TDrawObject* Object) {
    if (Printing())
        TDrawSite::DrawObject(Object);
}
