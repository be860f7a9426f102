#include "ULineFields.h"

#include "FPropertyDialog.h"
#include "UExSpinEdit.h"
#include "ULOLine.h"

#include <QCheckBox>
#include <QFormLayout>

#include <algorithm>

namespace {

// The points may lie anywhere on the page's logical plane, off the face included.
constexpr int PointLimit = MaxLogicalCoord;

// What Edit holds for a property whose value is Current: Current itself while the edit still
// shows what loading it showed, so that a value beyond the edit's limits that the user did
// not touch comes back unchanged.
int Kept(const TExSpinEdit& Edit, int Current) {
    const int shown = Edit.Value();
    return shown == Edit.CheckValue(Current) ? Current : shown;
}

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
    Line.SetLineWidth(std::max(Kept(*seLineWidth, Line.LineWidth()), seLineWidth->MinValue()));
    Line.SetStartPoint(TPoint(Kept(*esStartX, Line.StartX()), Kept(*esStartY, Line.StartY())));
    Line.SetEndPoint(TPoint(Kept(*esEndX, Line.EndX()), Kept(*esEndY, Line.EndY())));
    Line.SetBlendRatio(Kept(*seBlend, Line.BlendRatio()));
    Line.SetMovable(!cbLock->isChecked());
    Line.SetDontPrint(cbDontPrint->isChecked());
}
