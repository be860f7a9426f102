#include "FPaperChooser.h"

#include "UBitmap.h"
#include "UCanvas.h"
#include "UColor.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int PaperIndexRole = Qt::UserRole + 1;

QString Millimetres(int Tenths) {
    return QString::number(Tenths / 10.0, 'f', 1);
}

} // namespace

QImage RenderPaperPreview(const TPaperInfo& Paper, int Width, int Height) {
    TBitmap Bitmap(std::max(Width, 1), std::max(Height, 1));
    Bitmap.Fill(RGB(160, 160, 160));
    const int W = Paper.Width();
    const int H = Paper.Height();
    if (W <= 0 || H <= 0 || Width < 8 || Height < 8)
        return Bitmap.ToQImage();
    // Fit the sheet inside a 4-pixel border, keeping its proportions.
    const double Scale = std::min((Width - 8) / double(W), (Height - 8) / double(H));
    const int PixW = std::max(1, int(W * Scale));
    const int PixH = std::max(1, int(H * Scale));
    TCanvas& C = Bitmap.Canvas();
    C.SetMapMode(MM_ANISOTROPIC);
    C.SetWindowExtEx(W, H);
    C.SetViewportExtEx(PixW, PixH);
    C.SetViewportOrgEx((Width - PixW) / 2, (Height - PixH) / 2);
    C.Pen().SetColor(clBlack);
    C.Pen().SetWidth(0);
    C.Brush().SetColor(clWhite);
    C.Rectangle(0, 0, W, H);

    TFaceInfo Face;
    for (int i = 0; i < Paper.GetFaceCount(); ++i) {
        Paper.GetFaceInfo(i, Face);
        C.Pen().SetColor(RGB(90, 110, 150));
        C.Brush().SetStyle(bsSolid);
        C.Brush().SetColor(RGB(200, 220, 245));
        Face.DrawOutline(C, false, false);
        if (Face.HasCenterHole()) {
            C.Brush().SetColor(clWhite);
            Face.DrawCenterHole(C, false);
        }
        if (Face.FaceMargin() > 0) {
            C.Pen().SetColor(RGB(220, 60, 60));
            C.Brush().SetStyle(bsClear);
            Face.DrawCutLine(C, false);
        }
    }
    return Bitmap.ToQImage();
}

// ---------------------------------------------------------------------------------------

TPaperPreview::TPaperPreview(QWidget* Parent) : QWidget(Parent) {
    setMinimumSize(160, 200);
}

void TPaperPreview::SetPaper(const TPaperInfo* Paper) {
    FPaper = Paper;
    update();
}

void TPaperPreview::paintEvent(QPaintEvent*) {
    QPainter Painter(this);
    if (!FPaper) {
        Painter.fillRect(rect(), QColor(160, 160, 160));
        return;
    }
    Painter.drawImage(0, 0, RenderPaperPreview(*FPaper, width(), height()));
}

// ---------------------------------------------------------------------------------------

TfrmPaperChooser::TfrmPaperChooser(const TPaperLibrary& Library, QWidget* Parent)
    : QDialog(Parent), FLibrary(Library), FGroups(new QListWidget(this)),
      FPapers(new QListWidget(this)), FPreview(new TPaperPreview(this)), FInfo(new QLabel(this)),
      FButtons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("用紙の選択"));
    FButtons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    FButtons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

    auto* GroupColumn = new QVBoxLayout;
    auto* GroupLabel = new QLabel(QStringLiteral("グループ(&G):"), this);
    GroupLabel->setBuddy(FGroups);
    GroupColumn->addWidget(GroupLabel);
    GroupColumn->addWidget(FGroups);
    auto* PaperColumn = new QVBoxLayout;
    auto* PaperLabel = new QLabel(QStringLiteral("用紙(&P):"), this);
    PaperLabel->setBuddy(FPapers);
    PaperColumn->addWidget(PaperLabel);
    PaperColumn->addWidget(FPapers);
    auto* PreviewColumn = new QVBoxLayout;
    PreviewColumn->addWidget(new QLabel(QStringLiteral("プレビュー:"), this));
    PreviewColumn->addWidget(FPreview, 1);
    PreviewColumn->addWidget(FInfo);
    auto* Columns = new QHBoxLayout;
    Columns->addLayout(GroupColumn, 1);
    Columns->addLayout(PaperColumn, 2);
    Columns->addLayout(PreviewColumn, 2);
    auto* Main = new QVBoxLayout(this);
    Main->addLayout(Columns, 1);
    Main->addWidget(FButtons);

    for (const QString& Group : FLibrary.GetGroupNames())
        FGroups->addItem(Group);
    connect(FGroups, &QListWidget::currentRowChanged, this, [this] { GroupChanged(); });
    connect(FPapers, &QListWidget::currentRowChanged, this, [this] { PaperChanged(); });
    connect(FPapers, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(FButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    SelectPaper(FLibrary.GetName(0));
    resize(760, 460);
}

void TfrmPaperChooser::GroupChanged() {
    const QListWidgetItem* Group = FGroups->currentItem();
    FPapers->clear();
    if (Group) {
        for (int i = 0; i < FLibrary.GetCount(); ++i) {
            if (FLibrary.GetPaper(i).GroupName() != Group->text())
                continue;
            auto* Item = new QListWidgetItem(FLibrary.GetName(i), FPapers);
            Item->setData(PaperIndexRole, i);
        }
    }
    if (FPapers->count() > 0)
        FPapers->setCurrentRow(0);
    else
        PaperChanged();
}

void TfrmPaperChooser::PaperChanged() {
    const TPaperInfo* Paper = SelectedPaper();
    FPreview->SetPaper(Paper);
    FButtons->button(QDialogButtonBox::Ok)->setEnabled(Paper != nullptr);
    if (!Paper) {
        FInfo->clear();
        return;
    }
    FInfo->setText(QStringLiteral("%1 × %2 mm　%3 面")
                       .arg(Millimetres(Paper->Width()), Millimetres(Paper->Height()))
                       .arg(Paper->GetFaceCount()));
}

bool TfrmPaperChooser::SelectPaper(const QString& Name) {
    const int Index = FLibrary.IndexOf(Name);
    if (Index < 0)
        return false;
    const QList<QListWidgetItem*> Groups =
        FGroups->findItems(FLibrary.GetPaper(Index).GroupName(), Qt::MatchExactly);
    if (Groups.isEmpty())
        return false;
    FGroups->setCurrentItem(Groups.first());
    for (int Row = 0; Row < FPapers->count(); ++Row)
        if (FPapers->item(Row)->data(PaperIndexRole).toInt() == Index) {
            FPapers->setCurrentRow(Row);
            return true;
        }
    return false;
}

const TPaperInfo* TfrmPaperChooser::SelectedPaper() const {
    const QListWidgetItem* Item = FPapers->currentItem();
    return Item ? &FLibrary.GetPaper(Item->data(PaperIndexRole).toInt()) : nullptr;
}

QString TfrmPaperChooser::SelectedName() const {
    const QListWidgetItem* Item = FPapers->currentItem();
    return Item ? Item->text() : QString();
}
