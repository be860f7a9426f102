// Dragging an object in the layout editor: a full A4 calendar page (a photo over the upper
// half, the month calendar below, the year and month captions and a title) shown at 200 %
// in an 1280 x 900 editor, offscreen. Each iteration moves the pointer of a running drag one
// step and repaints the editor's page widget at once, as the screen would show it; the
// counter "repaints/s" is the frame rate a user sees while dragging (goal: 60 or more).
//
// Run: build with -DVANTOMI_BENCH=ON -DCMAKE_BUILD_TYPE=Release, then
//   ./bench/LayoutDragBench

#include "FLayout.h"
#include "UAppClasses.h"
#include "UDayTable.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "UGhost.h"
#include "UHolidays.h"
#include "ULOCalendar.h"
#include "ULOImage.h"
#include "ULOText.h"
#include "ULOYearMonth.h"
#include "ULabelData.h"
#include "UPictureEx.h"
#include "USafetyBitmap.h"
#include "UUndo.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>

namespace {

void LoadTables() {
    const QString data =
        QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath("../data/");
    LoadMoonAgeTable(data + "MoonAge.tbl");
    LoadW6Z24Table(data + "W6Z24.tbl");
    LoadHolidayTable(data + "Holiday.tbl");
}

// A 1600 x 1200 photo-like picture: a gradient with a few shapes.
QImage Photo() {
    QImage image(1600, 1200, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 1200);
    sky.setColorAt(0, QColor(80, 140, 220));
    sky.setColorAt(1, QColor(240, 220, 180));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(60, 140, 60));
    painter.drawEllipse(QRect(-200, 700, 1200, 900));
    painter.drawEllipse(QRect(700, 800, 1300, 800));
    painter.setBrush(QColor(250, 230, 120));
    painter.drawEllipse(QRect(1200, 120, 220, 220));
    return image;
}

template <class T>
T* Add(TDOList& List, std::unique_ptr<T> Object, const TRect& R) {
    Object->SetBoundsRect(R);
    T* added = Object.get();
    List.Add(Object.release());
    return added;
}

// Writes the calendar page as label 0 of Data (the default A4 paper).
void WriteCalendarPage(TLabelData& Data) {
    TDOList list;
    auto* photo = Add(list, std::make_unique<TLOImage>(), TRect(100, 100, 2000, 1450));
    TPictureEx picture;
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetBitmap(TBitmap::FromQImage(Photo()));
    picture.SetGraphic(std::move(bitmap));
    photo->ImageData()->SetPicture(&picture);
    auto calendar = std::make_unique<TLOCalendar>();
    calendar->SetYear(2026);
    calendar->SetMonth(5);
    calendar->SethdCircleColor(0xD0D0FF);
    calendar->SetSaturdayBaseCol(0xFFF0E0);
    Add(list, std::move(calendar), TRect(150, 1800, 1950, 2850));
    auto year = std::make_unique<TLOYearMonth>();
    year->SetIsYear(true);
    Add(list, std::move(year), TRect(150, 1500, 700, 1750));
    auto month = std::make_unique<TLOYearMonth>();
    month->SetIsYear(false);
    Add(list, std::move(month), TRect(1500, 1500, 1950, 1750));
    auto title = std::make_unique<TLOText>();
    TStringList lines;
    lines.SetText(QStringLiteral("五月の山"));
    title->SetText(lines);
    Add(list, std::move(title), TRect(800, 1520, 1400, 1720));
    // The document writes the list topmost first: reverse so that the photo is at the bottom.
    TDOList topmostFirst;
    for (int i = list.Count() - 1; i >= 0; --i)
        topmostFirst.Add(list[i]);
    Data.WriteLabel(0, topmostFirst);
    for (TDrawObject* object : list)
        delete object;
}

void SendMouse(QWidget* Host, QEvent::Type Type, QPoint P, Qt::MouseButton Button,
               Qt::MouseButtons Buttons) {
    QMouseEvent event(Type, QPointF(P), QPointF(Host->mapToGlobal(P)), Button, Buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(Host, &event);
}

void BM_DragOnCalendarPageAt200Percent(benchmark::State& State) {
    LoadTables();
    TLabelData data;
    WriteCalendarPage(data);
    TfrmLayout form;
    form.resize(1280, 900);
    form.SetLabelData(&data);
    form.show();
    QCoreApplication::processEvents();
    form.SetZoom(200);
    QCoreApplication::processEvents();
    TDrawSite& site = *form.Site();
    QWidget* host = form.Host();

    // Press on the calendar where the view shows it, then drag back and forth.
    const TPoint centreLp(1050, 2300);
    form.ScrollArea()->ensureVisible(site.LPtoDP(centreLp).x, site.LPtoDP(centreLp).y, 400, 300);
    QCoreApplication::processEvents();
    const TPoint d = site.LPtoDP(centreLp);
    const QPoint start(d.x, d.y);
    SendMouse(host, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    if (GhostCount() == 0)
        State.SkipWithError("the press did not start a drag");
    int step = 0;
    for (auto _ : State) {
        const int offset = (step++ % 60) - 30;
        SendMouse(host, QEvent::MouseMove, start + QPoint(offset * 4, offset * 2), Qt::NoButton,
                  Qt::LeftButton);
        host->repaint();
    }
    SendMouse(host, QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
    State.counters["repaints/s"] =
        benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate);
    State.counters["host_px"] = double(host->width()) * host->height();
    form.SetLabelData(nullptr);
    ActionList().Clear();
}

} // namespace

BENCHMARK(BM_DragOnCalendarPageAt200Percent)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterApplicationClasses();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
