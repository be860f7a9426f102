#include "FTextProperty.h"

#include "FPosition.h"
#include "UColorButtons.h"
#include "UColorFill.h"
#include "UDateTime.h"
#include "UExSpinEdit.h"
#include "UFontFields.h"
#include "ULODate.h"
#include "ULOText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>

#include <memory>

namespace {

constexpr int CustomShadow = TLOText::ShadowPresetCount;
// The arc's bulge within one metre either way; a new arc bends by 10 mm.
constexpr int MaxBulge = 10000;
constexpr int DefaultBulge = 100;
constexpr int MaxDistortionRatio = 1000;

} // namespace

TfrmTextProperty::TfrmTextProperty(TLOText& Text, QWidget* Parent)
    : TfrmTextProperty(QStringLiteral("TextProperty"), Text, Parent) {
    setWindowTitle(QStringLiteral("テキストの設定"));
}

TfrmTextProperty::TfrmTextProperty(const QString& PageKind, TLOText& Text, QWidget* Parent)
    : TfrmPropertyDialog(PageKind, Parent) {
    setObjectName(QStringLiteral("frmTextProperty"));
    Build(Text);
}

void TfrmTextProperty::Build(TLOText& Text) {
    QFormLayout* text = AddPage(QStringLiteral("Text"), QStringLiteral("テキスト"));
    QWidget* page = text->parentWidget();
    memText = new QPlainTextEdit(page);
    memText->setObjectName(QStringLiteral("memText"));
    memText->setTabChangesFocus(true);
    text->addRow(QStringLiteral("テキスト(&T):"), memText);
    Font = TFontFields::AddTo(text);
    cmbAlign = new QComboBox(page);
    cmbAlign->setObjectName(QStringLiteral("cmbAlign"));
    cmbAlign->addItems({QStringLiteral("左揃え"), QStringLiteral("中央揃え"),
                        QStringLiteral("右揃え"), QStringLiteral("均等割付")});
    text->addRow(QStringLiteral("揃え(&L):"), cmbAlign);
    cbVertical = new QCheckBox(QStringLiteral("縦書き(&V)"), page);
    cbVertical->setObjectName(QStringLiteral("cbVertical"));
    text->addRow(cbVertical);
    seCharSpacing = NewNumberEdit(page, QStringLiteral("seCharSpacing"),
                                  QStringLiteral("文字間隔(&C)"), -1000, 1000);
    text->addRow(QStringLiteral("文字間隔(&C):"), seCharSpacing);
    seLineSpacing = NewNumberEdit(page, QStringLiteral("seLineSpacing"),
                                  QStringLiteral("行間隔(&N)"), -1000, 1000);
    text->addRow(QStringLiteral("行間隔(&N):"), seLineSpacing);
    cbArc = new QCheckBox(QStringLiteral("円弧に沿わせる(&R)"), page);
    cbArc->setObjectName(QStringLiteral("cbArc"));
    text->addRow(cbArc);
    seBulge = NewLengthEdit(page, QStringLiteral("seBulge"), QStringLiteral("円弧のふくらみ(&B)"),
                            -MaxBulge, MaxBulge);
    text->addRow(QStringLiteral("円弧のふくらみ(&B):"), WithUnit(seBulge, QStringLiteral("mm")));
    seDistortionRatio = NewNumberEdit(page, QStringLiteral("seDistortionRatio"),
                                      QStringLiteral("変形の強さ(&D)"), 0, MaxDistortionRatio);
    text->addRow(QStringLiteral("変形の強さ(&D):"),
                 WithUnit(seDistortionRatio, QStringLiteral("%")));
    connect(cbArc, &QCheckBox::toggled, this, [this](bool On) {
        seBulge->setEnabled(On);
        // A text put on an arc starts with a visible bend.
        if (On && seBulge->Value() == 0)
            seBulge->SetValue(DefaultBulge);
    });

    QFormLayout* deco = AddPage(QStringLiteral("Decoration"), QStringLiteral("色・効果"));
    page = deco->parentWidget();
    btnTextColor = new TColorSpecButton(page);
    btnTextColor->setObjectName(QStringLiteral("btnTextColor"));
    deco->addRow(QStringLiteral("文字の色(&O):"), btnTextColor);
    cbOutline = new QCheckBox(QStringLiteral("縁取りする(&U)"), page);
    cbOutline->setObjectName(QStringLiteral("cbOutline"));
    deco->addRow(cbOutline);
    btnOutlineColor = new TColorSpecButton(page);
    btnOutlineColor->setObjectName(QStringLiteral("btnOutlineColor"));
    deco->addRow(QStringLiteral("縁取りの色:"), btnOutlineColor);
    seOutLineWidth = NewLengthEdit(page, QStringLiteral("seOutLineWidth"),
                                   QStringLiteral("縁取りの太さ(&W)"), 0, 200);
    deco->addRow(QStringLiteral("縁取りの太さ(&W):"),
                 WithUnit(seOutLineWidth, QStringLiteral("mm")));
    cmbShadow = new QComboBox(page);
    cmbShadow->setObjectName(QStringLiteral("cmbShadow"));
    cmbShadow->addItem(QStringLiteral("なし"));
    for (int i = 1; i < TLOText::ShadowPresetCount; ++i)
        cmbShadow->addItem(QStringLiteral("影 %1").arg(i));
    deco->addRow(QStringLiteral("影(&S):"), cmbShadow);
    btnShadowColor = new TColorSpecButton(page);
    btnShadowColor->setObjectName(QStringLiteral("btnShadowColor"));
    deco->addRow(QStringLiteral("影の色:"), btnShadowColor);
    connect(cbOutline, &QCheckBox::toggled, this, [this](bool On) {
        btnOutlineColor->setEnabled(On);
        seOutLineWidth->setEnabled(On);
    });
    AddPositionPage();

    ShowPreviewOf(Text);
    WatchFieldChanges();
    for (TColorSpecButton* button : {btnTextColor, btnOutlineColor, btnShadowColor})
        connect(button, &TColorSpecButton::SpecChanged, this, &TfrmTextProperty::PreviewLater);
}

void TfrmTextProperty::LoadFrom(TDrawObject& Object) {
    auto* text = qobject_cast<TLOText*>(&Object);
    if (!text)
        return;
    memText->setPlainText(text->Text().Lines().join(u'\n'));
    Font.Load(*text->Font());
    cmbAlign->setCurrentIndex(text->GetAlign());
    cbVertical->setChecked(text->GetVertical());
    seCharSpacing->SetValue(text->CharSpacing());
    seLineSpacing->SetValue(text->LineSpacing());
    LoadGeometry(*text);
    btnTextColor->SetSpec(*text->TextColor());
    cbOutline->setChecked(text->Outline());
    btnOutlineColor->SetSpec(*text->OutlineColor());
    seOutLineWidth->SetValue(text->OutLineWidth());
    btnOutlineColor->setEnabled(text->Outline());
    seOutLineWidth->setEnabled(text->Outline());
    if (text->Shadow() == CustomShadow && cmbShadow->count() == CustomShadow)
        cmbShadow->addItem(QStringLiteral("ユーザー設定"));
    cmbShadow->setCurrentIndex(text->Shadow());
    btnShadowColor->SetSpec(*text->ShadowColor());
    Position()->LoadFrom(Object);
}

void TfrmTextProperty::ApplyTo(TDrawObject& Object) {
    auto* text = qobject_cast<TLOText*>(&Object);
    if (!text)
        return;
    text->BeginUpdate();
    if (memText->isEnabled() && memText->toPlainText() != text->Text().Lines().join(u'\n'))
        text->SetPlainText(memText->toPlainText());
    Font.Apply(*text->Font());
    if (cmbAlign->currentIndex() != text->GetAlign())
        text->SetAlign(cmbAlign->currentIndex());
    if (cbVertical->isChecked() != text->GetVertical())
        text->SetVertical(cbVertical->isChecked());
    text->SetCharSpacing(seCharSpacing->Value());
    text->SetLineSpacing(seLineSpacing->Value());
    ApplyGeometry(*text);
    AssignColorSpecIfChanged(*text->TextColor(), btnTextColor->Spec());
    text->SetOutline(cbOutline->isChecked());
    AssignColorSpecIfChanged(*text->OutlineColor(), btnOutlineColor->Spec());
    if (cbOutline->isChecked())
        text->SetOutLineWidth(seOutLineWidth->Value());
    if (cmbShadow->currentIndex() < CustomShadow && cmbShadow->currentIndex() != text->Shadow())
        text->SetShadow(cmbShadow->currentIndex());
    AssignColorSpecIfChanged(*text->ShadowColor(), btnShadowColor->Spec());
    Position()->ApplyTo(Object);
    text->ApplyAutoSize();
    text->EndUpdate();
}

void TfrmTextProperty::LoadGeometry(const TLOText& Text) {
    {
        const QSignalBlocker blocker(cbArc);
        cbArc->setChecked(Text.Bulge() != 0);
    }
    seBulge->SetValue(Text.Bulge());
    seBulge->setEnabled(Text.Bulge() != 0);
    // A text bent by a distortion pattern is not put on an arc as well: the two do not mix.
    cbArc->setEnabled(!Text.Distorted());
    seDistortionRatio->SetValue(Text.DistortionRatio());
}

// A field left as loaded leaves its value as it was (KeptValue), even one beyond the field's
// limits; the arc check box shows whether the bulge is not 0.
void TfrmTextProperty::ApplyGeometry(TLOText& Text) const {
    Text.SetBulge(cbArc->isChecked() ? KeptValue(*seBulge, Text.Bulge()) : 0);
    Text.SetDistortionRatio(KeptValue(*seDistortionRatio, Text.DistortionRatio()));
}

// ---- TfrmDateProperty ----------------------------------------------------------------------

namespace {

constexpr const char* DateFormats[] = {
    "yyyy/mm/dd", "yyyy年m月d日", "ggge年m月d日", "yyyy.mm.dd", "m月d日(aaa)", "yyyy/mm/dd hh:nn",
};

} // namespace

TfrmDateProperty::TfrmDateProperty(TLODate& Date, QWidget* Parent)
    : TfrmTextProperty(QStringLiteral("DateProperty"), Date, Parent) {
    setObjectName(QStringLiteral("frmDateProperty"));
    setWindowTitle(QStringLiteral("日付の設定"));
    // The text is made from the date.
    memText->setEnabled(false);

    auto* page = new QWidget(Pages());
    page->setObjectName(QStringLiteral("Date"));
    auto* form = new QFormLayout(page);
    cmbFormat = new QComboBox(page);
    cmbFormat->setObjectName(QStringLiteral("cmbFormat"));
    cmbFormat->setEditable(true);
    for (const char* format : DateFormats)
        cmbFormat->addItem(QString::fromUtf8(format));
    form->addRow(QStringLiteral("書式(&M):"), cmbFormat);
    dtDate = new QDateTimeEdit(page);
    dtDate->setObjectName(QStringLiteral("dtDate"));
    dtDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm"));
    dtDate->setCalendarPopup(true);
    dtDate->setMinimumDate(QDate(1, 1, 1));
    dtDate->setMaximumDate(QDate(9999, 12, 31));
    form->addRow(QStringLiteral("日付(&D):"), dtDate);
    cmbUpdateFlag = new QComboBox(page);
    cmbUpdateFlag->setObjectName(QStringLiteral("cmbUpdateFlag"));
    cmbUpdateFlag->addItems({QStringLiteral("更新しない"), QStringLiteral("開いた日時"),
                             QStringLiteral("印刷した日時"), QStringLiteral("保存した日時")});
    form->addRow(QStringLiteral("自動更新(&A):"), cmbUpdateFlag);
    Pages()->insertTab(0, page, QStringLiteral("日付"));
    Pages()->setCurrentIndex(0);
    WatchFieldChanges();
}

void TfrmDateProperty::LoadFrom(TDrawObject& Object) {
    TfrmTextProperty::LoadFrom(Object);
    auto* date = qobject_cast<TLODate*>(&Object);
    if (!date)
        return;
    // A new date object has no format yet: it is offered the first one.
    cmbFormat->setCurrentText(date->Format().isEmpty() ? cmbFormat->itemText(0) : date->Format());
    QDate day;
    QTime time;
    try {
        DecodeDateTime(date->Date(), day, time);
    } catch (const Exception&) {
        day = QDate::currentDate(); // a stored date no calendar can show
        time = QTime(0, 0);
    }
    FLoadedDate = QDateTime(day, time);
    dtDate->setDateTime(FLoadedDate);
    FLoadedDate = dtDate->dateTime(); // as the edit keeps it
    cmbUpdateFlag->setCurrentIndex(date->UpdateFlag());
}

TfrmPropertyDialog::TFieldProblem TfrmDateProperty::FindProblem() const {
    if (cmbFormat->currentText().trimmed().isEmpty())
        return {cmbFormat, QStringLiteral("「書式」を入力してください。")};
    return TfrmTextProperty::FindProblem();
}

void TfrmDateProperty::ApplyTo(TDrawObject& Object) {
    auto* date = qobject_cast<TLODate*>(&Object);
    if (!date)
        return;
    date->BeginUpdate();
    // An untouched date keeps the stored value to the millisecond.
    const QDateTime chosen = dtDate->dateTime();
    if (chosen != FLoadedDate)
        date->SetDate(EncodeDateTime(chosen.date(), chosen.time()));
    date->SetFormat(cmbFormat->currentText());
    date->SetUpdateFlag(static_cast<TDateUpdateFlag>(cmbUpdateFlag->currentIndex()));
    TfrmTextProperty::ApplyTo(Object);
    date->EndUpdate();
}
