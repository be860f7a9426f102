#include "FDecoLineProperty.h"

#include "UExSpinEdit.h"
#include "ULODecoLine.h"
#include "ULOImage.h"
#include "UPictureEx.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int PointLimit = 10000;

} // namespace

TfrmDecoLineProperty::TfrmDecoLineProperty(TLODecoLine& Line, QWidget* Parent)
    : TfrmPropertyDialog(QStringLiteral("DecoLineProperty"), Parent) {
    setObjectName(QStringLiteral("frmDecoLineProperty"));
    setWindowTitle(QStringLiteral("飾り罫の設定"));
    QFormLayout* deco = AddPage(QStringLiteral("Decoration"), QStringLiteral("飾り"));
    QWidget* page = deco->parentWidget();
    btnSelectFile = new QPushButton(QStringLiteral("イメージ選択(&O)..."), page);
    btnSelectFile->setObjectName(QStringLiteral("btnSelectFile"));
    deco->addRow(btnSelectFile);
    lblPictureInfo = new QLabel(page);
    deco->addRow(QStringLiteral("イメージ:"), lblPictureInfo);
    seLineWidth =
        NewLengthEdit(page, QStringLiteral("seLineWidth"), QStringLiteral("太さ(&W)"), 1, 2000);
    deco->addRow(QStringLiteral("太さ(&W):"), WithUnit(seLineWidth, QStringLiteral("mm")));
    connect(btnSelectFile, &QPushButton::clicked, this, [this] {
        const QString file = ChoosePictureFile(this);
        if (!file.isEmpty())
            LoadPictureFile(file);
    });

    QFormLayout* pos = AddPage(QStringLiteral("Position"), QStringLiteral("位置"));
    page = pos->parentWidget();
    auto point = [&](TExSpinEdit*& Edit, const char* Name, const QString& Caption) {
        Edit = NewLengthEdit(page, QString::fromLatin1(Name), Caption, 0, PointLimit);
        pos->addRow(Caption + u':', WithUnit(Edit, QStringLiteral("mm")));
    };
    point(esStartX, "esStartX", QStringLiteral("始点X(&X)"));
    point(esStartY, "esStartY", QStringLiteral("始点Y(&Y)"));
    point(esEndX, "esEndX", QStringLiteral("終点X(&U)"));
    point(esEndY, "esEndY", QStringLiteral("終点Y(&V)"));
    seBlend = NewNumberEdit(page, QStringLiteral("seBlend"), QStringLiteral("透過率(&E)"), 0, 100);
    pos->addRow(QStringLiteral("透過率(&E):"), WithUnit(seBlend, QStringLiteral("%")));
    cbLock = new QCheckBox(QStringLiteral("ロックする(&K)"), page);
    cbLock->setObjectName(QStringLiteral("cbLock"));
    cbDontPrint = new QCheckBox(QStringLiteral("印刷しない(&P)"), page);
    cbDontPrint->setObjectName(QStringLiteral("cbDontPrint"));
    pos->addRow(cbLock);
    pos->addRow(cbDontPrint);
    ShowPreviewOf(Line);
    WatchFieldChanges();
}

TfrmDecoLineProperty::~TfrmDecoLineProperty() = default;

bool TfrmDecoLineProperty::LoadPictureFile(const QString& FileName) {
    std::unique_ptr<TPictureEx> picture = ReadDialogPicture(FileName);
    if (!picture)
        return false;
    FChosen = std::move(picture);
    lblPictureInfo->setText(PictureInfoText(FChosen.get()));
    PreviewLater();
    return true;
}

void TfrmDecoLineProperty::LoadFrom(TDrawObject& Object) {
    auto* line = qobject_cast<TLODecoLine*>(&Object);
    if (!line)
        return;
    FHadPicture = HasPicturePixels(line->Image());
    lblPictureInfo->setText(PictureInfoText(line->Image()));
    seLineWidth->SetValue(line->LineWidth());
    esStartX->SetValue(line->StartX());
    esStartY->SetValue(line->StartY());
    esEndX->SetValue(line->EndX());
    esEndY->SetValue(line->EndY());
    cbLock->setChecked(!line->Movable());
    cbDontPrint->setChecked(line->DontPrint());
    seBlend->SetValue(line->BlendRatio());
}

TfrmPropertyDialog::TFieldProblem TfrmDecoLineProperty::FindProblem() const {
    if (!FHadPicture && !FChosen)
        return {btnSelectFile, QStringLiteral("イメージを選択してください。")};
    return TfrmPropertyDialog::FindProblem();
}

void TfrmDecoLineProperty::ApplyTo(TDrawObject& Object) {
    auto* line = qobject_cast<TLODecoLine*>(&Object);
    if (!line)
        return;
    line->BeginUpdate();
    line->SetLineWidth(std::max(seLineWidth->Value(), seLineWidth->MinValue()));
    line->SetStartPoint(TPoint(esStartX->Value(), esStartY->Value()));
    line->SetEndPoint(TPoint(esEndX->Value(), esEndY->Value()));
    if (FChosen) {
        line->SetImage(FChosen.get());
        // A new line (no length yet) takes the picture's proportions.
        if (line->GetStartPoint() == line->GetEndPoint())
            line->ResetToImage();
    }
    line->SetBlendRatio(seBlend->Value());
    line->SetMovable(!cbLock->isChecked());
    line->SetDontPrint(cbDontPrint->isChecked());
    line->EndUpdate();
}
