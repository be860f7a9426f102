#include "ULOYearMonth.h"

#include "UCanvasGuards.h"
#include "USimpleText.h"

#include <algorithm>

namespace {

// The caption laid out in Font at Size points.
void PrepareText(TSimpleText& Text, const TFont& Font, int Size, const QString& Caption) {
    Text.BeginUpdate();
    Text.Font()->SetName(Font.Name());
    Text.Font()->SetStyle(Font.Style());
    Text.Font()->SetCharset(Font.Charset());
    Text.Font()->SetSize(std::max(1, Size));
    Text.SetAlign(1);
    Text.SetText(TStringList(QStringList{Caption}));
    Text.EndUpdate();
}

// Logical units (0.1 mm) of a point size.
int PointsToUnits(int Size) {
    return Size * 254 / 72;
}

} // namespace

TLOYearMonth::TLOYearMonth(TComponent* Owner)
    : TLOConnected(Owner), FFont(std::make_unique<TFont>()) {
    FFont->SetSize(36);
    FFont->SetColor(clBlack);
    FFont->OnChange = [this] { ValueChanged(); };
    SetBoundsRect(TRect(0, 0, 300, 150));
}

TLOYearMonth::~TLOYearMonth() {
    FFont->OnChange = nullptr;
}

void TLOYearMonth::ValueChanged() {
    Changed();
    Invalidate();
}

void TLOYearMonth::SetIsYear(bool Value) {
    if (Value == FIsYear)
        return;
    FIsYear = Value;
    ValueChanged();
}

void TLOYearMonth::SetYear(int Value) {
    Value = std::clamp(Value, 1, 9999);
    if (Value == FYear)
        return;
    FYear = Value;
    ValueChanged();
}

void TLOYearMonth::SetMonth(int Value) {
    Value = std::clamp(Value, 1, 12);
    if (Value == FMonth)
        return;
    FMonth = Value;
    ValueChanged();
}

void TLOYearMonth::SetFontProperty(TFont* Value) {
    if (Value)
        FFont->Assign(*Value);
}

QString TLOYearMonth::CaptionText() const {
    return QString::number(FIsYear ? FYear : FMonth);
}

void TLOYearMonth::FitToContent() {
    TSimpleText text;
    const int size = std::max(1, FFont->Size());
    PrepareText(text, *FFont, size, CaptionText());
    const TRect b = text.GetTextBounds(TRect(0, 0, 100000, 100000), true);
    const int margin = PointsToUnits(size) / 10;
    SetBoundsRect(
        TRect(Left(), Top(), Left() + b.Width() + 2 * margin, Top() + b.Height() + 2 * margin));
}

bool TLOYearMonth::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDOFont>(this, Id, Obj) || TLOConnected::QueryInterface(Id, Obj);
}

void TLOYearMonth::Paint() {
    const TRect r = GetRect();
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    TSimpleText text;
    int size = std::min(std::max(1, FFont->Size()), r.Height() * 72 / 254);
    if (size < 1)
        return;
    PrepareText(text, *FFont, size, CaptionText());
    TRect b = text.GetTextBounds(r, true);
    if (b.Width() > r.Width()) {
        size = size * r.Width() / b.Width();
        if (size < 1)
            return;
        text.Font()->SetSize(size);
        b = text.GetTextBounds(r, true);
    }
    TRect place = r;
    place.Top += (r.Height() - b.Height()) / 2;
    text.SetFontColor(FFont->Color());
    TCanvas& canvas = GetCanvas();
    TCanvasSaver saver = CreateCanvasSaver(canvas, false);
    canvas.Font().SetPixelsPerInch(254); // the text engine sizes fonts in 0.1 mm
    text.Draw(canvas, place);
}

void TLOYearMonth::AssignTo(TPersistent* Dest) const {
    TLOConnected::AssignTo(Dest);
    if (auto* d = qobject_cast<TLOYearMonth*>(Dest)) {
        d->SetIsYear(FIsYear);
        d->SetYear(FYear);
        d->SetMonth(FMonth);
        d->SetFont(*FFont);
    }
}
