#pragma once
// Helpers of the calendar object tests: the shipped calendar tables, pages holding
// calendars, and rendering at a chosen resolution.

#include "UBitmap.h"
#include "UDrawSite.h"
#include "ULOCalendar.h"

#include <QImage>
#include <gtest/gtest.h>
#include <memory>

// Loads the shipped day, moon and holiday tables for the suite and unloads them after.
class CalendarTables : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
};

// A page of Width x Height logical units (0.1 mm), white, without border.
std::unique_ptr<TDrawSite> MakeCalendarPage(int Width, int Height);
// Places Object on Site (the site owns it) and answers it.
template <class T>
T* PlaceOn(TDrawSite& Site, std::unique_ptr<T> Object) {
    T* placed = Object.get();
    Site.InsertObject(Object.release());
    Site.AddObject(placed);
    return placed;
}
// The page drawn at Dpi dots per inch on a white 24-bit bitmap.
QImage RenderPage(TDrawSite& Site, int Dpi);
// A logical point or rect of a page rendered at Dpi, in pixels.
int UnitsToPixels(int Units, int Dpi);
QRect UnitsToPixels(const TRect& R, int Dpi);
