#include "FSheet.h"

#include "UCanvasGuards.h"
#include "UClasses.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPictureEx.h"
#include "UScaler.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

// The faces of a paper as the face objects ask for them.
class TPaperFaces : public IPaperFaces {
public:
    explicit TPaperFaces(const TPaperInfo& Paper) : FPaper(Paper) {}
    int GetFaceCount() const override { return FPaper.GetFaceCount(); }
    void GetFaceInfo(int I, TFaceInfo& Info) const override { FPaper.GetFaceInfo(I, Info); }

private:
    const TPaperInfo& FPaper;
};

// A face of a sheet surface: CreateSheetSite makes every face there a TSheetFace.
TSheetFace& SheetFace(TLOFace* Face) {
    return *static_cast<TSheetFace*>(Face);
}

// Around the sheet, so that white faces stand out.
constexpr TColor SheetGround = TColor(0xD8D8D8);
// Pixels kept free around the sheet when it is fitted to the view.
constexpr int FitMargin = 24;

} // namespace

// ---------------------------------------------------------------------------------------
// TSheetFace

TSheetFace::TSheetFace(TComponent* Owner) : TLOFace(Owner) {
    // A double click picks the face for designing; faces have no property editor.
    OnDblClick = [this](TComponent*) {
        if (OnEditFace)
            OnEditFace(this);
    };
}

TSheetFace::~TSheetFace() = default;

void TSheetFace::SetPreview(const TPictureEx* Picture) {
    if (!Picture || !Picture->Graphic() || Picture->Graphic()->Empty()) {
        FPreview.reset();
    } else {
        FPreview = std::make_unique<TPictureEx>();
        FPreview->SetGraphic(Picture->Graphic());
    }
    Invalidate();
}

bool TSheetFace::HasPreview() const {
    return FPreview != nullptr;
}

void TSheetFace::Paint() {
    TLOFace::Paint();
    if (!FPreview)
        return;
    TCanvas& canvas = GetCanvas();
    {
        // The preview shows the face from its cut line, as printing places the objects, so
        // it fills the face rectangle; only the face's shape shows it (not the corners of a
        // disc, nor its hole).
        TClipSaver clip = CreateClipSaver(canvas);
        const TRegion shape = FaceInfo().CreateRegion(&canvas, true);
        canvas.ExtSelectClipRgn(&shape, RGN_AND);
        FPreview->Graphic()->Draw(canvas, FaceInfo().GetRect());
    }
    TCanvasSaver saver = CreateCanvasSaver(canvas, false);
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetColor(clBlack);
    FaceInfo().DrawOutline(canvas, false, false);
    FaceInfo().DrawCenterHole(canvas, false);
}

// ---------------------------------------------------------------------------------------
// TfrmSheet

TfrmSheet::TfrmSheet(TLabelData& Data, QWidget* Parent) : QWidget(Parent), FData(Data) {
    setObjectName(QStringLiteral("frmSheet"));
    setFocusPolicy(Qt::ClickFocus);

    FSeparately = new QCheckBox(QStringLiteral("ラベルごとに別々にデザインする"), this);
    FSeparately->setObjectName(QStringLiteral("chkSeparatelyDesign"));
    FSeparately->setToolTip(
        QStringLiteral("オフのときは、すべてのラベルに同じデザインが印刷されます"));
    auto* edit = new QPushButton(QStringLiteral("選んだラベルをデザイン"), this);
    edit->setObjectName(QStringLiteral("btnEditFace"));
    FInfo = new QLabel(this);
    FInfo->setObjectName(QStringLiteral("lblSheetInfo"));

    auto* top = new QHBoxLayout;
    top->addWidget(FSeparately);
    top->addWidget(edit);
    top->addStretch(1);
    top->addWidget(FInfo);
    FArea = new QScrollArea(this);
    FArea->setObjectName(QStringLiteral("sheetArea"));
    FArea->setWidgetResizable(false);
    FArea->setAlignment(Qt::AlignCenter);
    FViewport = FArea->viewport();
    FViewport->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(FArea, 1);

    connect(FSeparately, &QCheckBox::toggled, this, &TfrmSheet::SeparatelyToggled);
    connect(edit, &QPushButton::clicked, this, [this] { EditFace(FCurrentFace); });
    LoadSheet();
}

TfrmSheet::~TfrmSheet() {
    // The host shows the surface: it goes first.
    FViewport->removeEventFilter(this);
    FViewport = nullptr;
    delete FArea;
    FArea = nullptr;
}

QWidget* TfrmSheet::SiteWidget() const {
    return FArea ? FArea->viewport() : nullptr;
}

void TfrmSheet::LoadSheet() {
    const QList<int> selected = FSite ? SelectedFaces() : QList<int>();
    FCurrentFace = std::max(0, FData.CurrentLabelNo());
    RebuildSite();
    SetSelectedFaces(selected);
    {
        const QSignalBlocker block(FSeparately);
        FSeparately->setChecked(FData.SeparatelyDesign());
    }
    UpdateInfo();
}

std::unique_ptr<TDrawSite> CreateSheetSite(TLabelData& Data) {
    RegisterClass<TSheetFace>();
    auto site = std::make_unique<TDrawSite>();
    site->Scaler().SetUnitDPI(254);
    site->SetColor(SheetGround);
    const TPaperInfo* paper = Data.PaperInfo();
    site->SetLogWidth(paper->Width());
    site->SetLogHeight(paper->Height());
    CreateFaceObjects(*site, TPaperFaces(*paper), false, &TSheetFace::staticMetaObject, false);
    const std::vector<TLOFace*> faces = FacesOf(*site);
    for (size_t i = 0; i < faces.size(); ++i) {
        TPictureEx preview;
        if (Data.ReadPreview(static_cast<int>(i), preview))
            SheetFace(faces[i]).SetPreview(&preview);
    }
    return site;
}

void TfrmSheet::RebuildSite() {
    std::unique_ptr<TDrawSite> site = CreateSheetSite(FData);
    const std::vector<TLOFace*> faces = FacesOf(*site);
    const int count = static_cast<int>(faces.size());
    FCurrentFace = std::min(FCurrentFace, std::max(0, count - 1));
    for (int i = 0; i < count; ++i) {
        TSheetFace& face = SheetFace(faces[static_cast<size_t>(i)]);
        face.SetShowNumber(i == FCurrentFace);
        face.OnCheckChanged = [this](TComponent* Sender) { FaceChecked(Sender); };
        face.OnEditFace = [this, i](TComponent*) { EditFace(i); };
    }
    // The old host goes with setWidget, before the surface it shows. The keyboard stays with
    // the view: the page commands of the layout editor never act on the sheet's faces.
    auto* host = new TDrawSiteHost(*site);
    host->setFocusProxy(this);
    FArea->setWidget(host);
    FSite = std::move(site);
    FitToView();
}

void TfrmSheet::FitToView() {
    if (!FSite || !FArea || FSite->LogWidth() <= 0 || FSite->LogHeight() <= 0)
        return;
    const QSize view = FArea->viewport()->size() - QSize(FitMargin, FitMargin);
    const int dpi = GetScreenPixelsPerInch();
    // device = logical * dpi * scale / (254 * 100)
    const auto fit = [dpi](int Pixels, int Logical) {
        return int(int64_t(std::max(Pixels, 1)) * 25400 / (int64_t(Logical) * dpi));
    };
    const int scale = std::clamp(
        std::min(fit(view.width(), FSite->LogWidth()), fit(view.height(), FSite->LogHeight())), 5,
        400);
    if (scale != FSite->Scaler().Scale())
        FSite->Scaler().SetScale(scale);
}

bool TfrmSheet::eventFilter(QObject* Watched, QEvent* Event) {
    if (FArea && Watched == FViewport && Event->type() == QEvent::Resize)
        FitToView();
    return QWidget::eventFilter(Watched, Event);
}

QList<int> TfrmSheet::SelectedFaces() const {
    QList<int> result;
    const std::vector<TLOFace*> faces = FacesOf(*FSite);
    for (size_t i = 0; i < faces.size(); ++i)
        if (faces[i]->Checked())
            result.append(static_cast<int>(i));
    return result;
}

void TfrmSheet::SetSelectedFaces(const QList<int>& Faces) {
    const std::vector<TLOFace*> faces = FacesOf(*FSite);
    for (size_t i = 0; i < faces.size(); ++i)
        faces[i]->SetChecked(Faces.contains(static_cast<int>(i)));
    UpdateInfo();
}

void TfrmSheet::EditFace(int Face) {
    const int faces = GetFaceCount(*FSite);
    if (Face < 0 || Face >= std::max(faces, 1))
        return;
    FCurrentFace = Face;
    FData.SetCurrentLabelNo(Face);
    emit EditFaceRequested(Face);
}

void TfrmSheet::SetSeparatelyDesign(bool Separately) {
    FSeparately->setChecked(Separately);
}

void TfrmSheet::SeparatelyToggled(bool Checked) {
    if (Checked == FData.SeparatelyDesign())
        return;
    FData.SetSeparatelyDesign(Checked);
    // Which stored design each face shows has changed.
    const QList<int> selected = SelectedFaces();
    RebuildSite();
    SetSelectedFaces(selected);
    emit DocumentChanged();
}

void TfrmSheet::FaceChecked(TComponent* Sender) {
    if (auto* face = qobject_cast<TLOFace*>(Sender)) {
        const int index = face->GetFaceIndex();
        if (index >= 0 && index != FCurrentFace) {
            if (TLOFace* old = GetFaceByIndex(*FSite, FCurrentFace))
                old->SetShowNumber(false);
            FCurrentFace = index;
            face->SetShowNumber(true);
        }
    }
    UpdateInfo();
}

void TfrmSheet::UpdateInfo() {
    const int faces = FSite ? GetFaceCount(*FSite) : 0;
    const int chosen = FSite ? int(SelectedFaces().size()) : 0;
    FInfo->setText(chosen ? QStringLiteral("%1面中 %2面を印刷").arg(faces).arg(chosen)
                          : QStringLiteral("%1面 (すべて印刷)").arg(faces));
}
