#include "ULineFields.h"

#include "FPropertyDialog.h"
#include "UExSpinEdit.h"
#include "ULOLine.h"

#include <QCheckBox>
#include <QFormLayout>

#include <algorithm>

namespace {

constexpr int PointLimit = 10000;

} // namespace

void TLineFields::AddWidthTo(QFormLayout* Form, const QString& Caption, int MaxWidth) {
    seLineWidth =
        NewLengthEdit(Form->parentWidget(), QStringLiteral("seLineWidth"), Caption, 1, MaxWidth);
    Form->addRow(Caption + u':', WithUnit(seLineWidth, QStringLiteral("mm")));
}

void TLineFields::AddPositionTo(QFormLayout* Form) {
    QWidget* page = Form->parentWidget();
    auto point = [&](TExSpinEdit*& Edit, const char* Name, const QString& Caption) {
        Edit = NewLengthEdit(page, QString::fromLatin1(Name), Caption, 0, PointLimit);
        Form->addRow(Caption + u':', WithUnit(Edit, QStringLiteral("mm")));
    };
    point(esStartX, "esStartX", QStringLiteral("始点X(&X)"));
    point(esStartY, "esStartY", QStringLiteral("始点Y(&Y)"));
    point(esEndX, "esEndX", QStringLiteral("終点X(&U)"));
    point(esEndY, "esEndY", QStringLiteral("終点Y(&V)"));
    seBlend = NewNumberEdit(page, QStringLiteral("seBlend"), QStringLiteral("透過率(&E)"), 0, 100);
    Form->addRow(QStringLiteral("透過率(&E):"), WithUnit(seBlend, QStringLiteral("%")));
    cbLock = new QCheckBox(QStringLiteral("ロックする(&K)"), page);
    cbLock->setObjectName(QStringLiteral("cbLock"));
    cbDontPrint = new QCheckBox(QStringLiteral("印刷しない(&P)"), page);
    cbDontPrint->setObjectName(QStringLiteral("cbDontPrint"));
    Form->addRow(cbLock);
    Form->addRow(cbDontPrint);
}

void TLineFields::Load(const TLOLine& Line) const {
    seLineWidth->SetValue(Line.LineWidth());
    esStartX->SetValue(Line.StartX());
    esStartY->SetValue(Line.StartY());
    esEndX->SetValue(Line.EndX());
    esEndY->SetValue(Line.EndY());
    cbLock->setChecked(!Line.Movable());
    cbDontPrint->setChecked(Line.DontPrint());
    seBlend->SetValue(Line.BlendRatio());
}

void TLineFields::Apply(TLOLine& Line) const {
    Line.SetLineWidth(std::max(seLineWidth->Value(), seLineWidth->MinValue()));
    Line.SetStartPoint(TPoint(esStartX->Value(), esStartY->Value()));
    Line.SetEndPoint(TPoint(esEndX->Value(), esEndY->Value()));
    Line.SetBlendRatio(seBlend->Value());
    Line.SetMovable(!cbLock->isChecked());
    Line.SetDontPrint(cbDontPrint->isChecked());
}
