#include "FPosition.h"

#include "FPropertyDialog.h"
#include "UDOInterfaces.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UExSpinEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

#include <utility>

namespace {

constexpr int LengthLimit = 10000;

QLabel* NewLabel(const QString& Caption, QWidget* Buddy, QWidget* Parent) {
    auto* label = new QLabel(Caption, Parent);
    label->setBuddy(Buddy);
    return label;
}

} // namespace

TfrmPosition::TfrmPosition(QWidget* Parent)
    : QWidget(Parent), esLeft(NewLengthEdit(this, QStringLiteral("esLeft"),
                                            QStringLiteral("左(&L)"), -LengthLimit, LengthLimit)),
      esTop(NewLengthEdit(this, QStringLiteral("esTop"), QStringLiteral("上(&T)"), -LengthLimit,
                          LengthLimit)),
      esWidth(NewLengthEdit(this, QStringLiteral("esWidth"), QStringLiteral("幅(&W)"), -LengthLimit,
                            LengthLimit)),
      esHeight(NewLengthEdit(this, QStringLiteral("esHeight"), QStringLiteral("高さ(&H)"),
                             -LengthLimit, LengthLimit)),
      cbLock(new QCheckBox(QStringLiteral("ロックする(&K)"), this)),
      cbDontPrint(new QCheckBox(QStringLiteral("印刷しない(&P)"), this)),
      cbAutoSize(new QCheckBox(QStringLiteral("自動サイズ調整(&A)"), this)),
      esRotate(
          NewNumberEdit(this, QStringLiteral("esRotate"), QStringLiteral("回転(&R)"), -360, 360)),
      seBlend(
          NewNumberEdit(this, QStringLiteral("seBlend"), QStringLiteral("透過率(&E)"), 0, 100)) {
    setObjectName(QStringLiteral("frmPosition"));
    cbLock->setObjectName(QStringLiteral("cbLock"));
    cbDontPrint->setObjectName(QStringLiteral("cbDontPrint"));
    cbAutoSize->setObjectName(QStringLiteral("cbAutoSize"));
    seBlend->SetValue(100);

    FWidthLabel = NewLabel(QStringLiteral("幅(&W):"), esWidth, this);
    FHeightLabel = NewLabel(QStringLiteral("高さ(&H):"), esHeight, this);
    FBlendLabel = NewLabel(QStringLiteral("透過率(&E):"), seBlend, this);
    FBlendUnit = new QLabel(QStringLiteral("%"), this);

    auto* grid = new QGridLayout(this);
    int row = 0;
    auto addRow = [&](QLabel* Label, QWidget* Edit, const QString& Unit, QLabel* UnitLabel) {
        grid->addWidget(Label, row, 0);
        grid->addWidget(Edit, row, 1);
        grid->addWidget(UnitLabel ? UnitLabel : new QLabel(Unit, this), row, 2);
        ++row;
    };
    addRow(NewLabel(QStringLiteral("左(&L):"), esLeft, this), esLeft, QStringLiteral("mm"),
           nullptr);
    addRow(NewLabel(QStringLiteral("上(&T):"), esTop, this), esTop, QStringLiteral("mm"), nullptr);
    addRow(FWidthLabel, esWidth, QStringLiteral("mm"), nullptr);
    addRow(FHeightLabel, esHeight, QStringLiteral("mm"), nullptr);
    addRow(NewLabel(QStringLiteral("回転(&R):"), esRotate, this), esRotate, QStringLiteral("度"),
           nullptr);
    addRow(FBlendLabel, seBlend, {}, FBlendUnit);
    grid->addWidget(cbAutoSize, row++, 0, 1, 3);
    grid->addWidget(cbLock, row++, 0, 1, 3);
    grid->addWidget(cbDontPrint, row++, 0, 1, 3);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(row, 1);

    connect(cbAutoSize, &QCheckBox::clicked, this, &TfrmPosition::AutoSizeClicked);
    connect(esWidth, &QLineEdit::textChanged, this, &TfrmPosition::SizeEdited);
    connect(esHeight, &QLineEdit::textChanged, this, &TfrmPosition::SizeEdited);
}

TPositionValues TfrmPosition::Load(TDrawObject& Object) {
    TPositionValues v;
    v.Lock = !Object.Movable();
    if (const auto* label = qobject_cast<TLabelObject*>(&Object))
        v.DontPrint = label->DontPrint();
    if (const auto* rotate = QueryObjectInterface<IDORotate>(&Object)) {
        v.HasRotate = true;
        v.Angle = rotate->GetAngle();
    }
    if (const auto* autoSize = QueryObjectInterface<IDOAutoSize>(&Object)) {
        v.HasAutoSize = true;
        v.AutoSize = autoSize->GetAutoSize();
    }
    if (const auto* blend = QueryObjectInterface<IDOBlend>(&Object)) {
        v.HasBlend = true;
        v.BlendRatio = blend->GetRatio();
    }
    if (const auto* position = QueryObjectInterface<IDOPosition>(&Object)) {
        v.HasPosition = true;
        v.Left = position->GetLeft();
        v.Top = position->GetTop();
        v.Width = position->GetWidth();
        v.Height = position->GetHeight();
    }
    return v;
}

void TfrmPosition::Apply(const TPositionValues& Values, TDrawObject& Object) {
    Object.BeginUpdate();
    Object.SetMovable(!Values.Lock);
    if (auto* label = qobject_cast<TLabelObject*>(&Object))
        label->SetDontPrint(Values.DontPrint);
    if (auto* rotate = QueryObjectInterface<IDORotate>(&Object);
        rotate && rotate->GetAngle() != Values.Angle)
        rotate->SetAngle(Values.Angle);
    if (auto* position = QueryObjectInterface<IDOPosition>(&Object)) {
        if (position->GetLeft() != Values.Left)
            position->SetLeft(Values.Left);
        if (position->GetTop() != Values.Top)
            position->SetTop(Values.Top);
        // An auto-sized object takes its size from its content.
        if (!(Values.HasAutoSize && Values.AutoSize)) {
            if (position->GetWidth() != Values.Width)
                position->SetWidth(Values.Width);
            if (position->GetHeight() != Values.Height)
                position->SetHeight(Values.Height);
        }
    }
    if (auto* autoSize = QueryObjectInterface<IDOAutoSize>(&Object);
        autoSize && autoSize->GetAutoSize() != Values.AutoSize) {
        autoSize->SetAutoSize(Values.AutoSize);
        Object.Changed();
    }
    if (auto* blend = QueryObjectInterface<IDOBlend>(&Object);
        blend && blend->GetRatio() != Values.BlendRatio)
        blend->SetRatio(Values.BlendRatio);
    Object.EndUpdate();
}

void TfrmPosition::ShowValues(const TPositionValues& Values) {
    FShown = Values;
    esLeft->SetValue(Values.Left - FOrigin.x);
    esTop->SetValue(Values.Top - FOrigin.y);
    esWidth->SetValue(Values.Width);
    esHeight->SetValue(Values.Height);
    for (QWidget* w : {static_cast<QWidget*>(esLeft), static_cast<QWidget*>(esTop)})
        w->setEnabled(Values.HasPosition);
    cbLock->setChecked(Values.Lock);
    cbDontPrint->setChecked(Values.DontPrint);
    cbAutoSize->setVisible(Values.HasAutoSize);
    cbAutoSize->setChecked(Values.HasAutoSize && Values.AutoSize);
    AutoSizeClicked();
    esRotate->SetValue(Values.Angle);
    esRotate->setEnabled(Values.HasRotate);
    seBlend->SetValue(Values.BlendRatio);
    for (QWidget* w : {static_cast<QWidget*>(seBlend), static_cast<QWidget*>(FBlendLabel),
                       static_cast<QWidget*>(FBlendUnit)}) {
        w->setVisible(Values.HasBlend);
        w->setEnabled(Values.HasBlend);
    }
}

void TfrmPosition::AutoSizeClicked() {
    const bool enabled = FShown.HasPosition && !cbAutoSize->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(esWidth), static_cast<QWidget*>(esHeight),
                       static_cast<QWidget*>(FWidthLabel), static_cast<QWidget*>(FHeightLabel)})
        w->setEnabled(enabled);
}

void TfrmPosition::SizeEdited() {
    if (!esWidth->IsInvalidValue() && !esHeight->IsInvalidValue())
        emit OnChange();
}

QWidget* TfrmPosition::FindProblem(QString& Message) const {
    for (TExSpinEdit* edit : {esLeft, esTop, esWidth, esHeight, esRotate, seBlend})
        if (edit->isEnabled() && edit->IsInvalidValue()) {
            Message = InvalidNumberMessage(edit->accessibleName());
            return edit;
        }
    // A size of 0 is kept only by an object that had none yet (a new object that takes the
    // size of its content); typing 0 would collapse the object.
    const std::pair<TExSpinEdit*, int> sizes[] = {{esWidth, FShown.Width},
                                                  {esHeight, FShown.Height}};
    for (const auto& [edit, shown] : sizes)
        if (edit->isEnabled() && (edit->Value() < 0 || (edit->Value() == 0 && shown != 0))) {
            Message = QStringLiteral("「%1」には0より大きい値を入力してください。")
                          .arg(edit->accessibleName());
            return edit;
        }
    return nullptr;
}

bool TfrmPosition::ReadValues(TPositionValues& Values, QWidget*& Field, QString& Message) const {
    Field = FindProblem(Message);
    if (Field)
        return false;
    TPositionValues v = FShown;
    v.Lock = cbLock->isChecked();
    v.DontPrint = cbDontPrint->isChecked();
    v.AutoSize = v.HasAutoSize && cbAutoSize->isChecked();
    if (v.HasRotate)
        v.Angle = esRotate->Value();
    if (v.HasPosition) {
        v.Left = KeptValue(*esLeft, v.Left - FOrigin.x) + FOrigin.x;
        v.Top = KeptValue(*esTop, v.Top - FOrigin.y) + FOrigin.y;
        if (esWidth->isEnabled()) {
            v.Width = KeptValue(*esWidth, v.Width);
            v.Height = KeptValue(*esHeight, v.Height);
        }
    }
    if (v.HasBlend)
        v.BlendRatio = seBlend->Value();
    Values = v;
    return true;
}

void TfrmPosition::LoadFrom(TDrawObject& Object) {
    FOrigin = UserOriginOf(Object);
    ShowValues(Load(Object));
}

bool TfrmPosition::ApplyTo(TDrawObject& Object) {
    TPositionValues values;
    QWidget* field = nullptr;
    QString message;
    if (!ReadValues(values, field, message))
        return false;
    Apply(values, Object);
    return true;
}
