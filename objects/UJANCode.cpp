#include "UJANCode.h"

#include "UCanvas.h"

#include <algorithm>
#include <array>

namespace {

// Number set A (odd parity) per digit; set C is its complement and set B set C reversed.
constexpr std::array<const char*, 10> SetA = {"0001101", "0011001", "0010011", "0111101",
                                              "0100011", "0110001", "0101111", "0111011",
                                              "0110111", "0001011"};
// Number sets of digits 2 to 7 of EAN-13 by the leading digit ("O" set A, "E" set B).
constexpr std::array<const char*, 10> Parity = {"OOOOOO", "OOEOEE", "OOEEOE", "OOEEEO", "OEOOEE",
                                                "OEEOOE", "OEEEOO", "OEOEOE", "OEOEEO", "OEEOEO"};
const QString Guard = QStringLiteral("101");
const QString Centre = QStringLiteral("01010");

QString DigitPattern(int Digit, char Set) {
    const QString a = QString::fromLatin1(SetA[Digit]);
    if (Set == 'A')
        return a;
    QString c = a;
    for (QChar& ch : c)
        ch = ch == u'0' ? u'1' : u'0';
    if (Set == 'C')
        return c;
    std::reverse(c.begin(), c.end());
    return c;
}

bool AllDigits(const QString& S, int Count) {
    for (int i = 0; i < Count; ++i)
        if (S[i] < u'0' || S[i] > u'9')
            return false;
    return true;
}

} // namespace

int CalcJANCheckDigit(const QString& Code) {
    const int n = static_cast<int>(Code.size());
    if (n < 7 || (n >= 9 && n <= 11))
        return -1;
    const int body = n < 9 ? 7 : 12;
    if (!AllDigits(Code, body))
        return -1;
    // right-aligned in a row of 13, positions from 0
    int sum = 0;
    for (int i = 0; i < body; ++i) {
        const int pos = 13 - body + i;
        const int d = Code[i].unicode() - '0';
        sum += pos % 2 == 0 ? 3 * d : d;
    }
    return (sum + 9) / 10 * 10 - sum;
}

bool IsValidJANCode(const QString& Code) {
    const int n = static_cast<int>(Code.size());
    if ((n != 8 && n != 13) || !AllDigits(Code, n))
        return false;
    return Code[n - 1].unicode() - '0' == CalcJANCheckDigit(Code);
}

QString CompleteJANCode(const QString& Code) {
    const int n = static_cast<int>(Code.size());
    if (n != 7 && n != 8 && n != 12 && n != 13)
        return {};
    const int check = CalcJANCheckDigit(Code);
    if (check < 0)
        return {};
    return Code.left(n <= 8 ? 7 : 12) + QString::number(check);
}

// ---- TJANCode ----------------------------------------------------------------------------

int TJANCode::ModuleX(int I) const {
    return FLeft + MulDiv(I, FRight - FLeft, FModuleCount);
}

void TJANCode::FillRect(int L, int T, int R, int B) {
    TPoint p[4] = {{L, T}, {R - 1, T}, {R - 1, B - 1}, {L, B - 1}};
    for (TPoint& q : p)
        FRotator.TransformPoint(q);
    FCanvas->Polygon(p, 4);
}

void TJANCode::DrawPattern(const QString& Pattern, int Start, bool GuardBars) {
    int bottom = FBottom;
    if (FShowNumber)
        bottom -= GuardBars ? FTextHeight / 2 + 2 : FTextHeight + 2;
    const int n = static_cast<int>(Pattern.size());
    for (int i = 0; i < n;) {
        if (Pattern[i] != u'1') {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && Pattern[j] == u'1')
            ++j;
        FillRect(ModuleX(Start + i), FTop, ModuleX(Start + j), bottom);
        i = j;
    }
}

void TJANCode::DrawDigit(QChar Digit, int Module) {
    if (!FShowNumber)
        return;
    const QString text(Digit);
    const int span = ModuleX(Module + 7) - ModuleX(Module);
    const int w = FCanvas->TextWidth(text);
    int offset = w < span ? (span - w) / 2 : 0;
    if (offset == 0)
        offset = 1;
    TPoint p{ModuleX(Module) + offset, FBottom - FTextHeight - 1};
    FRotator.TransformPoint(p);
    FCanvas->TextOut(p.x, p.y, text);
}

void TJANCode::Draw(TCanvas& Canvas, const QString& Code, const TRect& Rect, bool ShowFrame,
                    bool ShowNumber, int Angle) {
    const int len = static_cast<int>(Code.size());
    if ((len != 8 && len != 13) || !AllDigits(Code, len))
        return;
    FCanvas = &Canvas;
    FShowNumber = ShowNumber;
    FModuleCount = len == 8 ? 81 : 109;
    FLeft = Rect.Left;
    FTop = Rect.Top;
    FRight = Rect.Right;
    FBottom = Rect.Bottom;
    FRotator.SetCenter(TPoint{(Rect.Left + Rect.Right) / 2, (Rect.Top + Rect.Bottom) / 2});
    FRotator.SetAngle(Angle);
    if (ShowNumber) {
        const int esc = 3600 - (Angle * 10) % 3600;
        Canvas.Font().SetEscapement(esc);
        Canvas.Font().SetOrientation(esc);
    }
    Canvas.Pen().SetMode(pmCopy);
    Canvas.Pen().SetStyle(psInsideFrame);
    Canvas.Brush().SetColor(clWhite);
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Pen().SetColor(ShowFrame ? clBlack : clWhite);
    Canvas.Pen().SetWidth(ShowFrame ? 3 : 0);
    FillRect(FLeft, FTop, FRight, FBottom);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Pen().SetWidth(0);
    if (ShowFrame) {
        // A rectangle too small for the inset keeps only its frame instead of a mirrored code.
        if (FRight - FLeft <= 20 || FBottom - FTop <= 20)
            return;
        FLeft += 10;
        FTop += 10;
        FRight -= 10;
        FBottom -= 10;
    }
    Canvas.Brush().SetColor(clBlack);
    FTextHeight = ShowNumber ? Canvas.TextHeight(QStringLiteral("0")) : 0;
    int m = 7;
    auto digits = [&](int From, int To, auto SetOf) {
        for (int i = From; i <= To; ++i, m += 7)
            DrawPattern(DigitPattern(Code[i].unicode() - '0', SetOf(i)), m, false);
    };
    DrawPattern(Guard, m, true);
    m += 3;
    const int half = len == 8 ? 4 : 6;
    const int first = len == 8 ? 0 : 1;
    const char* parity = len == 8 ? "OOOO" : Parity[Code[0].unicode() - '0'];
    digits(first, first + half - 1, [&](int i) { return parity[i - first] == 'O' ? 'A' : 'B'; });
    DrawPattern(Centre, m, true);
    m += 5;
    digits(first + half, first + 2 * half - 1, [](int) { return 'C'; });
    DrawPattern(Guard, m, true);
    if (!ShowNumber)
        return;
    Canvas.Brush().SetStyle(bsClear);
    if (len == 13)
        DrawDigit(Code[0], 0);
    for (int i = 0; i < half; ++i) {
        DrawDigit(Code[first + i], 10 + 7 * i);
        DrawDigit(Code[first + half + i], 10 + 7 * half + 5 + 7 * i);
    }
}

void DrawJANCode(TCanvas& Canvas, const QString& Code, const TRect& Rect, bool ShowFrame,
                 bool ShowNumber, int Angle) {
    TJANCode jan;
    jan.Draw(Canvas, Code, Rect, ShowFrame, ShowNumber, Angle);
}
