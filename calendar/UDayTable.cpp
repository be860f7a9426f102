#include "UDayTable.h"

#include "UCanvas.h"
#include "UStreams.h"

#include <QtEndian>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const char16_t* const SixDayNames[] = {u"先勝", u"友引", u"先負", u"仏滅", u"大安", u"赤口"};

const char16_t* const ZassetsuNames[] = {u"土用",     u"節分", u"彼岸",   u"土用",
                                         u"八十八夜", u"入梅", u"半夏生", u"土用",
                                         u"二百十日", u"彼岸", u"土用"};

const char16_t* const SolarTermNames[] = {u"春分", u"清明", u"穀雨", u"立夏", u"小満", u"芒種",
                                          u"夏至", u"小暑", u"大暑", u"立秋", u"処暑", u"白露",
                                          u"秋分", u"寒露", u"霜降", u"立冬", u"小雪", u"大雪",
                                          u"冬至", u"小寒", u"大寒", u"立春", u"雨水", u"啓蟄"};

template <size_t N>
QString NameAt(const char16_t* const (&Names)[N], int Index) {
    if (Index < 0 || Index >= static_cast<int>(N))
        return {};
    return QString::fromUtf16(Names[Index]);
}

std::unique_ptr<TYMDCacheData>& MoonAgeSlot() {
    static std::unique_ptr<TYMDCacheData> table;
    return table;
}

std::unique_ptr<TYMDCacheData>& W6Z24Slot() {
    static std::unique_ptr<TYMDCacheData> table;
    return table;
}

bool InTableYears(int Year) {
    return Year >= TYMDCacheData::FirstYear && Year <= TYMDCacheData::LastYear;
}

int FloorMod(int Value, int Divisor) {
    return ((Value % Divisor) + Divisor) % Divisor;
}

// Weekday by the arithmetic of the Gregorian calendar (January and February count as the
// 13th and 14th month of the year before).
int ComputedDayOfWeek(int Year, int Month, int Day) {
    if (Month < 3) {
        --Year;
        Month += 12;
    }
    return FloorMod(Year / 4 + Year - Year / 100 + Year / 400 + (13 * Month + 8) / 5 + Day, 7);
}

// A W6Z24 field minus 1, -1 when the table is not loaded.
int W6Z24Field(int Year, int Month, int Day, int Shift, int Mask) {
    const TYMDCacheData* table = W6Z24Table();
    return table ? table->GetBits(Year, Month, Day, Shift, Mask) - 1 : -1;
}

std::unique_ptr<TYMDCacheData> LoadTable(const QString& FileName) {
    auto table = std::make_unique<TYMDCacheData>();
    table->LoadFromFile(FileName);
    return table;
}

// A day of the table's years that exists but has no word: the table is damaged there.
bool IsMissingDay(const TYMDCacheData& Table, int Year, int Month, int Day) {
    return Table.Get(Year, Month, Day) == 0 && Day >= 1 && Day <= DaysInMonth(Year, Month);
}

// Pen and brush of one solid colour: each shape of the moon is drawn in a single colour.
void SelectSolid(TCanvas& Canvas, TColor Color) {
    Canvas.Pen().SetData(TPenData{Color, 0, psSolid, pmCopy});
    Canvas.Brush().SetData(TBrushData{Color, bsSolid});
}

// The left or right half of the disc inscribed in the square (the pie from the top to the
// bottom of the middle line).
void DrawHalfDisc(TCanvas& Canvas, int Left, int Top, int Side, bool RightHalf, TColor Color) {
    const int middle = Left + Side / 2;
    const int saved = Canvas.SaveDC();
    if (RightHalf)
        Canvas.IntersectClipRect(middle, Top, Left + Side, Top + Side);
    else
        Canvas.IntersectClipRect(Left, Top, middle, Top + Side);
    SelectSolid(Canvas, Color);
    Canvas.Ellipse(Left, Top, Left + Side, Top + Side);
    Canvas.RestoreDC(saved);
}

} // namespace

TYMDCacheData::TYMDCacheData() : FBlock(BlockSize, '\0') {}

int TYMDCacheData::SlotIndex(int Year, int Month, int Day) {
    if (!InTableYears(Year) || Month < 1 || Month > 12 || Day < 1 || Day > 31)
        return -1;
    return ((Year - FirstYear) * 12 + Month - 1) * 31 + Day - 1;
}

uint16_t TYMDCacheData::Get(int Year, int Month, int Day) const {
    const int slot = SlotIndex(Year, Month, Day);
    return slot < 0 ? 0 : qFromLittleEndian<quint16>(FBlock.constData() + 2 * slot);
}

int TYMDCacheData::GetBits(int Year, int Month, int Day, int Shift, int Mask) const {
    if (Shift < 0 || Shift > 15)
        return 0;
    return (Get(Year, Month, Day) >> Shift) & Mask;
}

void TYMDCacheData::Set(int Year, int Month, int Day, uint16_t Word) {
    const int slot = SlotIndex(Year, Month, Day);
    if (slot >= 0)
        qToLittleEndian<quint16>(Word, FBlock.data() + 2 * slot);
}

void TYMDCacheData::Clear() {
    FBlock.fill('\0');
}

int64_t TYMDCacheData::LoadFromFile(const QString& FileName) {
    TFileStream file(FileName, fmOpenRead);
    const int64_t size = file.GetSize();
    QByteArray block = file.ReadBytes(std::min<int64_t>(size, BlockSize));
    QString problem;
    if (size != BlockSize) {
        qWarning("calendar table %s has %lld bytes instead of %d; %s", qPrintable(FileName),
                 static_cast<long long>(size), BlockSize,
                 size < BlockSize ? "the missing days have no data" : "the excess is ignored");
        problem = QStringLiteral("暦のテーブル %1 は %2 バイトです (%3 バイトのはずです)")
                      .arg(FileName)
                      .arg(size)
                      .arg(BlockSize);
    }
    block.append(BlockSize - block.size(), '\0');
    FBlock = std::move(block);
    FLoadProblem = problem;
    return size;
}

int TYMDCacheData::MissingDays() const {
    int missing = 0;
    for (int y = FirstYear; y <= LastYear; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInMonth(y, m); ++d)
                missing += Get(y, m, d) == 0 ? 1 : 0;
    return missing;
}

bool IsLeapYear(int Year) {
    return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
}

int DaysInMonth(int Year, int Month) {
    static const int Lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (Month < 1 || Month > 12)
        return -1;
    return Month == 2 && IsLeapYear(Year) ? 29 : Lengths[Month - 1];
}

bool IsSupportedDate(int Year, int Month, int Day) {
    const TYMDCacheData* table = W6Z24Table();
    if (table && table->Get(Year, Month, Day) != 0)
        return true;
    return InTableYears(Year) && Day >= 1 && Day <= DaysInMonth(Year, Month);
}

int DayOfWeek(int Year, int Month, int Day) {
    const TYMDCacheData* table = W6Z24Table();
    if (table && InTableYears(Year) && !IsMissingDay(*table, Year, Month, Day))
        return table->GetBits(Year, Month, Day, W6Z24WeekdayShift, W6Z24WeekdayMask) - 1;
    return ComputedDayOfWeek(Year, Month, Day);
}

int WeekOfMonth(int Year, int Month, int Day, int StartWeek) {
    const int lead = FloorMod(DayOfWeek(Year, Month, 1) - StartWeek, 7);
    return (Day - 1 + lead) / 7 + 1;
}

int WeeksInMonth(int Year, int Month, int StartWeek) {
    const int days = DaysInMonth(Year, Month);
    return days < 0 ? 0 : WeekOfMonth(Year, Month, days, StartWeek);
}

int DayNumber(int Year, int Month, int Day) {
    int64_t y = Year, m = Month;
    if (m < 3) {
        m += 12;
        y -= 1;
    }
    return static_cast<int>(Day + 36525 * y / 100 + y / 400 - y / 100 + (m - 2) * 3059 / 100 -
                            678912);
}

int MoonAge(int Year, int Month, int Day) {
    const TYMDCacheData* table = MoonAgeTable();
    if (!table || TYMDCacheData::SlotIndex(Year, Month, Day) < 0)
        return -1;
    return table->Get(Year, Month, Day);
}

int SixDayIndex(int Year, int Month, int Day) {
    return W6Z24Field(Year, Month, Day, W6Z24SixDayShift, W6Z24SixDayMask);
}

int ZassetsuIndex(int Year, int Month, int Day) {
    return W6Z24Field(Year, Month, Day, W6Z24ZassetsuShift, W6Z24ZassetsuMask);
}

int SolarTermIndex(int Year, int Month, int Day) {
    return W6Z24Field(Year, Month, Day, W6Z24SolarTermShift, W6Z24SolarTermMask);
}

int WeekdayIndex(int Year, int Month, int Day) {
    if (!W6Z24Table())
        return -1;
    return DayOfWeek(Year, Month, Day);
}

QString SixDayName(int Index) {
    return NameAt(SixDayNames, Index);
}
QString ZassetsuName(int Index) {
    return NameAt(ZassetsuNames, Index);
}
QString SolarTermName(int Index) {
    return NameAt(SolarTermNames, Index);
}

const TYMDCacheData* MoonAgeTable() {
    return MoonAgeSlot().get();
}
const TYMDCacheData* W6Z24Table() {
    return W6Z24Slot().get();
}

QString LoadMoonAgeTable(const QString& FileName) {
    MoonAgeSlot() = LoadTable(FileName);
    return MoonAgeSlot()->LoadProblem();
}
QString LoadW6Z24Table(const QString& FileName) {
    W6Z24Slot() = LoadTable(FileName);
    QStringList problems;
    if (!W6Z24Slot()->LoadProblem().isEmpty())
        problems << W6Z24Slot()->LoadProblem();
    // Every existing day has a weekday, so its word is never 0 in a sound table.
    if (const int missing = W6Z24Slot()->MissingDays(); missing > 0)
        problems << QStringLiteral("暦のテーブル %1 には %2 日分のデータがありません")
                        .arg(FileName)
                        .arg(missing);
    return problems.join(u'\n');
}

void SetMoonAgeTable(std::unique_ptr<TYMDCacheData> Table) {
    MoonAgeSlot() = std::move(Table);
}
void SetW6Z24Table(std::unique_ptr<TYMDCacheData> Table) {
    W6Z24Slot() = std::move(Table);
}

// Two half discs, lit on the right while waxing and on the left while waning, and over them an
// ellipse centred on the disc whose width is |cos| of the phase angle times the disc: it is
// dark while the lit part is a crescent (cosine positive) and lit while the moon is gibbous,
// so the terminator moves across the disc as the age grows.
void DrawMoon(TCanvas& Canvas, const TRect& Rect, int Age, TColor Lit, TColor Dark) {
    const int side = std::min(Rect.Width(), Rect.Height());
    if (side <= 0)
        return;
    Age %= MoonAgeUnitsPerLunation;
    if (Age < 0)
        Age += MoonAgeUnitsPerLunation;
    const double angle = Age * 2.0 * std::numbers::pi / MoonAgeUnitsPerLunation;
    const int c = static_cast<int>(std::cos(angle) * side / 2.0 + side / 2.0);
    const bool waxing = Age < MoonAgeUnitsPerLunation / 2;
    const int left = Rect.Left, top = Rect.Top;

    const int saved = Canvas.SaveDC();
    DrawHalfDisc(Canvas, left, top, side, true, waxing ? Lit : Dark);
    DrawHalfDisc(Canvas, left, top, side, false, waxing ? Dark : Lit);
    const int x1 = left + std::min(c, side - c), x2 = left + std::max(c, side - c);
    if (x2 > x1) {
        SelectSolid(Canvas, c < side - c ? Lit : Dark);
        Canvas.Ellipse(x1, top, x2, top + side);
    }
    Canvas.RestoreDC(saved);
}
