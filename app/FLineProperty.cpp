#include "FLineProperty.h"

#include "FColorSpec.h"
#include "UColorSpec.h"
#include "UExSpinEdit.h"
#include "ULOLine.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int PointLimit = 10000;

bool IsCurve(const TLOLine& Line) {
    return qobject_cast<const TLOCurve*>(&Line) != nullptr;
}

} // namespace

TfrmLineProperty::TfrmLineProperty(TLOLine& Line, QWidget* Parent)
    : TfrmPropertyDialog(
          IsCurve(Line) ? QStringLiteral("CurveProperty") : QStringLiteral("LineProperty"), Parent),
      FColorListener([this](IInterface*, const TGUID&) { PreviewLater(); }) {
    setObjectName(QStringLiteral("frmLineProperty"));
    setWindowTitle(IsCurve(Line) ? QStringLiteral("円弧の設定") : QStringLiteral("直線の設定"));

    QFormLayout* pen = AddPage(QStringLiteral("PenColor"), QStringLiteral("線の色"));
    fpnlPenColor = new QWidget(pen->parentWidget());
    fpnlPenColor->setObjectName(QStringLiteral("fpnlPenColor"));
    frmPenColor = new TfrmColorSpec(fpnlPenColor);
    frmPenColor->setWindowFlags(Qt::Widget);
    frmPenColor->Buttons->hide();
    auto* colorLayout = new QVBoxLayout(fpnlPenColor);
    colorLayout->setContentsMargins(0, 0, 0, 0);
    colorLayout->addWidget(frmPenColor);
    pen->addRow(fpnlPenColor);
    seLineWidth = NewLengthEdit(pen->parentWidget(), QStringLiteral("seLineWidth"),
                                QStringLiteral("線の太さ(&W)"), 1, 200);
    pen->addRow(QStringLiteral("線の太さ(&W):"), WithUnit(seLineWidth, QStringLiteral("mm")));

    QFormLayout* pos = AddPage(QStringLiteral("Position"), QStringLiteral("位置"));
    QWidget* page = pos->parentWidget();
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
    if (auto* notifier = QueryObjectInterface<IBroadcaster>(&frmPenColor->ColorSpec()))
        notifier->AddListener(&FColorListener);
}

void TfrmLineProperty::LoadFrom(TDrawObject& Object) {
    auto* line = qobject_cast<TLOLine*>(&Object);
    if (!line)
        return;
    frmPenColor->SetColorSpec(*line->LineColor());
    seLineWidth->SetValue(line->LineWidth());
    esStartX->SetValue(line->StartX());
    esStartY->SetValue(line->StartY());
    esEndX->SetValue(line->EndX());
    esEndY->SetValue(line->EndY());
    cbLock->setChecked(!line->Movable());
    cbDontPrint->setChecked(line->DontPrint());
    seBlend->SetValue(line->BlendRatio());
}

void TfrmLineProperty::ApplyTo(TDrawObject& Object) {
    auto* line = qobject_cast<TLOLine*>(&Object);
    if (!line)
        return;
    line->BeginUpdate();
    AssignColorSpecIfChanged(*line->LineColor(), frmPenColor->ColorSpec());
    line->SetLineWidth(std::max(seLineWidth->Value(), seLineWidth->MinValue()));
    line->SetStartPoint(TPoint(esStartX->Value(), esStartY->Value()));
    line->SetEndPoint(TPoint(esEndX->Value(), esEndY->Value()));
    line->SetBlendRatio(seBlend->Value());
    line->SetMovable(!cbLock->isChecked());
    line->SetDontPrint(cbDontPrint->isChecked());
    line->EndUpdate();
}
