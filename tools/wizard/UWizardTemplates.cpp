#include "UWizardTemplates.h"

#include "UCodePage.h"
#include "UDOList.h"
#include "UDesigner.h"
#include "ULOCalendar.h"
#include "ULOCalendarPage.h"
#include "ULOYearMonth.h"
#include "ULabelData.h"
#include "UPNGImage.h"
#include "UPaperInfo.h"
#include "UPictureEx.h"
#include "UStreams.h"
#include "UWizardFill.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <memory>

namespace {

const QString Gothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString Mincho = QStringLiteral("ＭＳ 明朝");

struct TOwnedList {
    TDOList List;
    TOwnedList() = default;
    TOwnedList(const TOwnedList&) = delete;
    ~TOwnedList() { List.FreeObjects(); }
    template <class T>
    T* Add(std::unique_ptr<T> Object) {
        T* raw = Object.release();
        List.Add(raw);
        return raw;
    }
};

// A landscape placeholder (sky, hills and a sun) that the wizard replaces by the user's
// photos; drawn, so that every template shows what lies where.
std::unique_ptr<TPictureEx> PlaceholderPicture() {
    QImage image(320, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 200);
    sky.setColorAt(0, QColor(150, 190, 235));
    sky.setColorAt(1, QColor(225, 240, 250));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 215, 120));
    painter.drawEllipse(QPointF(250, 55), 26, 26);
    QPainterPath hills;
    hills.moveTo(0, 200);
    hills.lineTo(0, 140);
    hills.cubicTo(80, 90, 140, 150, 200, 125);
    hills.cubicTo(250, 105, 290, 120, 320, 135);
    hills.lineTo(320, 200);
    painter.setBrush(QColor(120, 170, 110));
    painter.drawPath(hills);
    painter.end();
    auto png = std::make_unique<TPNGImage>();
    png->SetImage(image);
    auto picture = std::make_unique<TPictureEx>();
    picture->SetGraphic(std::move(png));
    return picture;
}

std::unique_ptr<TMatrixPaperInfo> Paper(const QString& Name, int Width, int Height, int FaceWidth,
                                        int FaceHeight, int CountY, int Left, int Top, int Gap) {
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(Name);
    paper->SetWidth(Width);
    paper->SetHeight(Height);
    paper->SetFaceWidth(FaceWidth);
    paper->SetFaceHeight(FaceHeight);
    paper->SetFaceCountX(1);
    paper->SetFaceCountY(CountY);
    paper->SetLeftOffset(Left);
    paper->SetTopOffset(Top);
    paper->SetBottomMargin(Gap);
    return paper;
}

void SetFont(TFont& Font, const QString& Name, int Size, TColor Color = clBlack) {
    Font.SetName(Name);
    Font.SetSize(Size);
    Font.SetColor(Color);
}

// The template's own look: plain Gothic figures with thin grey lines.
void BaseLook(TLOCalendar& Calendar, int DateSize) {
    SetFont(*Calendar.DateObj()->Font(), Gothic, DateSize);
    SetFont(*Calendar.WeekObj()->Font(), Gothic, std::max(6, DateSize * 2 / 3));
    SetFont(*Calendar.Holiday()->Font(), Gothic, std::max(4, DateSize / 3), 0x0000FF);
    Calendar.DateObj()->SetRatioRect(500, 500, 500, 3000);
    Calendar.Holiday()->SetRatioRect(300, 7200, 300, 300);
    Calendar.SetlnColor(0xA0A0A0);
    Calendar.SetlnWidth(2);
}

std::unique_ptr<TLOCalendar> MainCalendar(const TRect& R, int Origin, int ConnectNo, int DateSize) {
    auto calendar = std::make_unique<TLOCalendar>();
    calendar->SetBoundsRect(R);
    calendar->SetMonthOrigin(Origin);
    calendar->SetConnectNo(ConnectNo);
    TStringList appendix;
    appendix.Add(QStringLiteral("MainFlag=1"));
    calendar->SetAppendix(appendix);
    BaseLook(*calendar, DateSize);
    return calendar;
}

std::unique_ptr<TLOYearMonth> Caption(const TRect& R, bool IsYear, int ConnectNo, int Size) {
    auto caption = std::make_unique<TLOYearMonth>();
    caption->SetBoundsRect(R);
    caption->SetIsYear(IsYear);
    caption->SetConnectNo(ConnectNo);
    SetFont(*caption->Font(), Gothic, Size, 0x404040);
    return caption;
}

std::unique_ptr<TLOCalendarPhoto> Photo(const TRect& R, const TPictureEx& Picture) {
    auto photo = std::make_unique<TLOCalendarPhoto>();
    photo->ImageData()->Picture()->Assign(&Picture);
    photo->SetBoundsRect(R);
    return photo;
}

// A page background of the month's colour (the wizard sets it again for the month chosen).
std::unique_ptr<TLOCalendarBackGrnd> Background(int Width, int Height, int Origin) {
    auto back = std::make_unique<TLOCalendarBackGrnd>();
    back->SetBoundsRect(TRect(0, 0, Width, Height));
    back->SetBackStyle(0);
    back->FillColor()->SetKind(cskSolid);
    back->FillColor()->SetColor(MonthBackColor(1 + Origin % 12));
    return back;
}

// Writes one label per call of Fill (sheet, face) on Sheets sheets of Faces faces each.
void BuildDocument(const QString& FileName, const TPaperInfo& Paper, const QString& DataName,
                   int Sheets, int Faces, const std::function<void(TOwnedList&, int)>& Fill) {
    TLabelData doc;
    doc.SetDataName(DataName);
    doc.SetPaperInfo(&Paper);
    for (int sheet = 0; sheet < Sheets; ++sheet) {
        if (sheet > 0)
            doc.NewSheet();
        doc.SetSheetName(QStringLiteral("%1ページ").arg(sheet + 1));
        doc.SetMonthCount(12);
        for (int face = 0; face < Faces; ++face) {
            TOwnedList objects;
            Fill(objects, sheet * Faces + face); // bottom first
            TDOList topmostFirst = objects.List;
            ReverseList(topmostFirst);
            doc.WriteLabel(face, topmostFirst);
        }
    }
    doc.SetSheet(0);
    doc.SaveToFile(FileName);
}

void WriteWall(const QString& FileName, const TPictureEx& Picture) {
    const auto paper = Paper(QStringLiteral("A4 カレンダー"), 2100, 2970, 2100, 2970, 1, 0, 0, 0);
    BuildDocument(FileName, *paper, QStringLiteral("壁掛けカレンダー"), 12, 1,
                  [&](TOwnedList& O, int Month) {
                      O.Add(Background(2100, 2970, Month));
                      O.Add(Photo(TRect(150, 150, 1950, 1500), Picture));
                      O.Add(Caption(TRect(150, 1580, 700, 1760), true, 1, 28));
                      O.Add(Caption(TRect(1500, 1540, 1950, 1800), false, 1, 48));
                      O.Add(MainCalendar(TRect(150, 1850, 1950, 2820), Month, 1, 20));
                  });
}

void WriteDesk(const QString& FileName, const TPictureEx& Picture) {
    const auto paper = Paper(QStringLiteral("はがき 横"), 1480, 1000, 1480, 1000, 1, 0, 0, 0);
    BuildDocument(FileName, *paper, QStringLiteral("卓上カレンダー"), 6, 1,
                  [&](TOwnedList& O, int Page) {
                      O.Add(Background(1480, 1000, Page * 2));
                      O.Add(Photo(TRect(60, 60, 720, 940), Picture));
                      for (int half = 0; half < 2; ++half) {
                          const int top = 40 + half * 460;
                          O.Add(Caption(TRect(800, top, 1000, top + 80), false, half + 1, 16));
                          O.Add(MainCalendar(TRect(800, top + 90, 1420, top + 440), Page * 2 + half,
                                             half + 1, 9));
                      }
                  });
}

void WriteCDCase(const QString& FileName, const TPictureEx& Picture) {
    const auto paper =
        Paper(QStringLiteral("A4 CDケース 2面"), 2100, 2970, 1200, 1200, 2, 450, 200, 100);
    BuildDocument(FileName, *paper, QStringLiteral("CDケースカレンダー"), 6, 2,
                  [&](TOwnedList& O, int Month) {
                      O.Add(Background(1200, 1200, Month));
                      O.Add(Photo(TRect(60, 60, 1140, 560), Picture));
                      O.Add(Caption(TRect(60, 590, 300, 700), false, 1, 24));
                      O.Add(Caption(TRect(320, 610, 600, 690), true, 1, 12));
                      O.Add(MainCalendar(TRect(60, 720, 1140, 1140), Month, 1, 10));
                  });
}

// The looks of the style page.
void SimpleLook(TLOCalendar& C) {
    C.SetWeekStyle(wtJpnShort);
    C.SetlnColor(clBlack);
    C.SetlnWidth(3);
}

void ColorfulLook(TLOCalendar& C) {
    C.SetWeekStyle(wtEngShort);
    C.SetlnVertical(false);
    C.SetlnHorizontal(false);
    C.SetwkWeekdayBkCol(0xF0D8B0);
    C.SetwkSundayBkCol(0xC0C0FF);
    C.SetwkSatdayBkCol(0xFFD0C0);
    C.SethdCircleColor(0xD0E8FF);
    C.SetSundayBaseCol(0xF0F0FF);
    SetFont(*C.DateObj()->Font(), Gothic, 20, 0x505050);
}

void WafuLook(TLOCalendar& C) {
    C.SetWeekStyle(wtJpnLong);
    C.SetlnColor(0x3060A0);
    C.SetlnWidth(2);
    SetFont(*C.DateObj()->Font(), Mincho, 20, 0x202020);
    SetFont(*C.WeekObj()->Font(), Mincho, 12, 0x202020);
    SetFont(*C.U6you()->Font(), Mincho, 6, 0x606060);
    C.U6you()->SetVisible(true);
    C.U6you()->SetRatioRect(300, 300, 300, 7000);
}

void WriteStyle(const QString& FileName, const std::function<void(TLOCalendar&)>& Look,
                bool MondayFirst) {
    const auto paper = Paper(QStringLiteral("スタイル見本"), 1000, 800, 1000, 800, 1, 0, 0, 0);
    BuildDocument(FileName, *paper, QStringLiteral("カレンダースタイル"), 1, 1,
                  [&](TOwnedList& O, int) {
                      auto calendar = MainCalendar(TRect(40, 40, 960, 760), 0, 0, 20);
                      Look(*calendar);
                      calendar->SetStartWeek(MondayFirst ? 1 : 0);
                      O.Add(std::move(calendar));
                  });
}

struct TStyleDef {
    const char* Name;
    const char* Caption;
    void (*Look)(TLOCalendar&);
};

const TStyleDef Styles[] = {
    {"Simple", "シンプル", SimpleLook},
    {"Colorful", "カラフル", ColorfulLook},
    {"Wafu", "和風（六曜入り）", WafuLook},
};

} // namespace

QByteArray WizardDefinitionBytes() {
    QString text = QStringLiteral(
        "; カレンダーウィザードの定義（vantomi-wizard が書き出します）\r\n"
        "[Settings]\r\nDefaultExt=.vtd\r\n\r\n"
        "[Types]\r\nDefaultFolder=Types\r\n1=Wall.vtd\r\n2=Desk.vtd\r\n3=CDCase.vtd\r\n\r\n"
        "[Wall.vtd]\r\nCaption=壁掛けカレンダー（A4・12か月）\r\nTemplates=Styles\r\n\r\n"
        "[Desk.vtd]\r\nCaption=卓上カレンダー（はがき・2か月ずつ）\r\nTemplates=Styles\r\n\r\n"
        "[CDCase.vtd]\r\nCaption=CDケースカレンダー（12か月）\r\nTemplates=Styles\r\n\r\n"
        "[Styles]\r\nDefaultFolder=Styles\r\nPullDown1=月曜始まり\r\n");
    int key = 1;
    for (const TStyleDef& style : Styles)
        text += QStringLiteral("%1=%2.vtd\r\n").arg(key++).arg(QLatin1String(style.Name));
    for (const TStyleDef& style : Styles)
        text += QStringLiteral("\r\n[%1.vtd]\r\nCaption=%2\r\nPullDown=%1Mon\r\n")
                    .arg(QLatin1String(style.Name), QString::fromUtf8(style.Caption));
    return ToCP932(text);
}

bool WriteWizardTemplates(const QString& Folder, QString& Error) {
    const QDir root(QDir(Folder).filePath(QStringLiteral("Data/Wizard")));
    for (const char* sub : {"Types", "Styles"})
        if (!QDir().mkpath(root.filePath(QLatin1String(sub)))) {
            Error = QStringLiteral("cannot create %1").arg(root.filePath(QLatin1String(sub)));
            return false;
        }
    try {
        const std::unique_ptr<TPictureEx> picture = PlaceholderPicture();
        WriteWall(root.filePath(QStringLiteral("Types/Wall.vtd")), *picture);
        WriteDesk(root.filePath(QStringLiteral("Types/Desk.vtd")), *picture);
        WriteCDCase(root.filePath(QStringLiteral("Types/CDCase.vtd")), *picture);
        for (const TStyleDef& style : Styles)
            for (bool monday : {false, true})
                WriteStyle(root.filePath(QStringLiteral("Styles/%1%2.vtd")
                                             .arg(QLatin1String(style.Name),
                                                  monday ? QStringLiteral("Mon") : QString())),
                           style.Look, monday);
        WriteFileAtomic(root.filePath(QStringLiteral("Wizard.dat")), WizardDefinitionBytes());
    } catch (const Exception& e) {
        Error = e.Message;
        return false;
    }
    return true;
}
