#include "ULineFields.h"

#include "FPropertyDialog.h"
#include "UDrawSite.h"
#include "UExSpinEdit.h"
#include "ULOLine.h"

#include <QCheckBox>
#include <QFormLayout>

#include <algorithm>

namespace {

// The points may lie anywhere on the page's logical plane, off the face included.
constexpr int PointLimit = MaxLogicalCoord;

} // namespace

void TLineFields::AddWidthTo(QFormLayout* Form, const QString& Caption, int MaxWidth) {
    seLineWidth =
        NewLengthEdit(Form->parentWidget(), QStringLiteral("seLineWidth"), Caption, 1, MaxWidth);
    Form->addRow(Caption + u':', WithUnit(seLineWidth, QStringLiteral("mm")));
}

void TLineFields::AddPositionTo(QFormLayout* Form) {
    QWidget* page = Form->parentWidget();
    auto point = [&](TExSpinEdit*& Edit, const char* Name, const QString& Caption) {
        Edit = NewLengthEdit(page, QString::fromLatin1(Name), Caption, -PointLimit, PointLimit);
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

void TLineFields::Load(const TLOLine& Line) {
    Origin = UserOriginOf(Line);
    seLineWidth->SetValue(Line.LineWidth());
    esStartX->SetValue(Line.StartX() - Origin.x);
    esStartY->SetValue(Line.StartY() - Origin.y);
    esEndX->SetValue(Line.EndX() - Origin.x);
    esEndY->SetValue(Line.EndY() - Origin.y);
    cbLock->setChecked(!Line.Movable());
    cbDontPrint->setChecked(Line.DontPrint());
    seBlend->SetValue(Line.BlendRatio());
}

void TLineFields::Apply(TLOLine& Line) const {
    Line.SetLineWidth(std::max(KeptValue(*seLineWidth, Line.LineWidth()), seLineWidth->MinValue()));
    Line.SetStartPoint(KeptPoint(*esStartX, *esStartY, Line.GetStartPoint(), Origin));
    Line.SetEndPoint(KeptPoint(*esEndX, *esEndY, Line.GetEndPoint(), Origin));
    Line.SetBlendRatio(KeptValue(*seBlend, Line.BlendRatio()));
    Line.SetMovable(!cbLock->isChecked());
    Line.SetDontPrint(cbDontPrint->isChecked());
}

TPoint KeptPoint(const TExSpinEdit& X, const TExSpinEdit& Y, const TPoint& Current,
                 const TPoint& Origin) {
    return TPoint(KeptValue(X, Current.x - Origin.x) + Origin.x,
                  KeptValue(Y, Current.y - Origin.y) + Origin.y);
}
