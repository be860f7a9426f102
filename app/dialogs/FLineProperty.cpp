#include "FLineProperty.h"

#include "FColorFill.h"
#include "UColorFill.h"
#include "ULOLine.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace {

bool IsCurve(const TLOLine& Line) {
    return qobject_cast<const TLOCurve*>(&Line) != nullptr;
}

} // namespace

TfrmLineProperty::TfrmLineProperty(TLOLine& Line, QWidget* Parent)
    : TfrmPropertyDialog(
          IsCurve(Line) ? QStringLiteral("CurveProperty") : QStringLiteral("LineProperty"), Parent),
      FColorListener([this](IInterface*, const TGUID&) { PreviewLater(); }),
      FLoadedColor(std::make_unique<TColorSpec>()) {
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
    Fields.AddWidthTo(pen, QStringLiteral("線の太さ(&W)"), 200);
    Fields.AddPositionTo(AddPage(QStringLiteral("Position"), QStringLiteral("位置")));

    ShowPreviewOf(Line);
    WatchFieldChanges();
    if (auto* notifier = QueryObjectInterface<IBroadcaster>(&frmPenColor->ColorSpec()))
        notifier->AddListener(&FColorListener);
}

TfrmLineProperty::~TfrmLineProperty() = default;

void TfrmLineProperty::LoadFrom(TDrawObject& Object) {
    auto* line = qobject_cast<TLOLine*>(&Object);
    if (!line)
        return;
    frmPenColor->SetColorSpec(*line->LineColor());
    FLoadedColor->Assign(line->LineColor());
    Fields.Load(*line);
}

void TfrmLineProperty::ApplyTo(TDrawObject& Object) {
    auto* line = qobject_cast<TLOLine*>(&Object);
    if (!line)
        return;
    line->BeginUpdate();
    AssignColorSpecIfChanged(*line->LineColor(), frmPenColor->ColorSpec());
    Fields.Apply(*line);
    line->EndUpdate();
}

void TfrmLineProperty::accept() {
    TfrmPropertyDialog::accept();
    if (result() == QDialog::Accepted &&
        AssignColorSpecIfChanged(*FLoadedColor, frmPenColor->ColorSpec()))
        frmPenColor->RecordInHistory();
}
