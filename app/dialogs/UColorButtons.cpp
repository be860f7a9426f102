#include "UColorButtons.h"

#include "FColorFill.h"
#include "UBitmap.h"
#include "UColorFill.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr QSize SwatchSize(48, 16);

} // namespace

QColor ColorToQColor(TColor Value) {
    const auto v = static_cast<uint32_t>(Value);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

TColor QColorToColor(const QColor& Value) {
    return static_cast<TColor>(Value.red() | (Value.green() << 8) | (Value.blue() << 16));
}

TColorSpecButton::TColorSpecButton(QWidget* Parent)
    : QPushButton(Parent), FSpec(std::make_unique<TColorSpec>()) {
    setText(QStringLiteral("色の選択..."));
    setIconSize(SwatchSize);
    connect(this, &QPushButton::clicked, this, &TColorSpecButton::Edit);
    UpdateIcon();
}

TColorSpecButton::~TColorSpecButton() = default;

void TColorSpecButton::SetSpec(const TColorSpec& Value) {
    FSpec->Assign(&Value);
    UpdateIcon();
}

void TColorSpecButton::Edit() {
    TColorSpec working;
    working.Assign(FSpec.get());
    if (!EditColorSpec(window(), working))
        return;
    FSpec->Assign(&working);
    UpdateIcon();
    emit SpecChanged();
}

void TColorSpecButton::UpdateIcon() {
    TBitmap swatch;
    swatch.SetPixelFormat(pf24bit);
    swatch.SetSize(SwatchSize.width(), SwatchSize.height());
    FSpec->DrawPreview(swatch.Canvas(), TRect(0, 0, SwatchSize.width(), SwatchSize.height()));
    QPixmap pixmap = QPixmap::fromImage(swatch.ToQImage());
    QPainter(&pixmap).drawRect(0, 0, SwatchSize.width() - 1, SwatchSize.height() - 1);
    setIcon(pixmap);
}

TColorButton::TColorButton(QWidget* Parent) : QPushButton(Parent) {
    setIconSize(SwatchSize);
    connect(this, &QPushButton::clicked, this, &TColorButton::Edit);
    SetColor(clBlack);
}

void TColorButton::SetColor(TColor Value) {
    FColor = Value;
    QPixmap pixmap(SwatchSize);
    pixmap.fill(ColorToQColor(Value));
    QPainter(&pixmap).drawRect(0, 0, SwatchSize.width() - 1, SwatchSize.height() - 1);
    setIcon(pixmap);
}

void TColorButton::Edit() {
    const QColor chosen = QColorDialog::getColor(ColorToQColor(FColor), window());
    if (!chosen.isValid())
        return;
    SetColor(QColorToColor(chosen));
    emit ColorChanged();
}
