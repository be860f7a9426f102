#pragma once
// Filling a calendar document from a wizard template: the routines the new-calendar wizard
// runs on its document, and the whole fill in one call for callers without a window.
//
// A template is an ordinary document. Each of its calendars has a month offset
// (MonthOrigin: 0 for the first month of the document); filling for a start month gives
// the calendar with offset k the k-th month from the start, so a twelve-page calendar shows
// twelve consecutive months. Year/month captions tied to a calendar (the same ConnectNo on
// the same label) show their calendar's month; other captions show the month of their
// label's main calendar (the one of the lowest month offset), or the start month when the
// label has none.
//
// Every routine visits every label of every sheet, writes back only the labels it
// changed, and leaves the current sheet as it was, also when it raises.

#include "UColor.h"
#include "UException.h"
#include "UWinTypes.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TDOList;
class TDrawSite;
class TLOCalendar;
class TLabelData;
class TPhasedProgressBase;
class TPictureEx;

VANTOMI_DECLARE_EXCEPTION(EWizardFillError, Exception)

// The appendix line that marks a main calendar ("MainFlag=1").
inline const QString SMainFlag = QStringLiteral("MainFlag");
// Captions (element fonts) that end up smaller than this many points are hidden.
constexpr int MinCaptionFontSize = 3;

// True for a main calendar of a document of MonthCount months: its appendix value
// "MainFlag" is "1"; without such a value, its month offset lies in 0 .. MonthCount - 1.
bool IsMainCalendar(const TLOCalendar& Calendar, int MonthCount);

// Every calendar and year/month caption of every label shows its month counted from Year
// and Month (see above); changed labels are written back, with MakePreviews their previews
// are made again; then every sheet's Year and Month are set. Progress (optional) gets one
// step per sheet.
void SetDocumentYearMonth(TLabelData& Doc, int Year, int Month, bool MakePreviews,
                          TPhasedProgressBase* Progress = nullptr);

// The background colour of Month (1..12), 0x00BBGGRR.
TColor MonthBackColor(int Month);
// Every calendar background of style 0 takes the colour of its label's month (the month
// of the label's main calendar, else the document's month) as a solid fill, so that each
// page of a many-month calendar gets the colour of the month it shows.
void SetMonthlyBackColors(TLabelData& Doc);

// The pictures of Files, in order, read for PlaceCalendarPhotos. A file that cannot be read
// raises EWizardFillError naming it.
using TPhotoPictures = std::vector<std::unique_ptr<TPictureEx>>;
TPhotoPictures LoadCalendarPhotos(const QStringList& Files);
// Puts Pictures, in order, into the calendar photos of the document in document order
// (sheet, label, object), each cropped about its centre to its photo's shape; photos beyond
// the pictures keep theirs. Answers the number of photos filled.
int PlaceCalendarPhotos(TLabelData& Doc, const TPhotoPictures& Pictures);
// The number of calendar photos in the document.
int CountCalendarPhotos(TLabelData& Doc);

// Font fit: Size scaled by NewExtent / OldExtent (never below 1; unchanged when OldExtent is
// not positive), then, while WidthAt(size) is wider than CellWidth and the size is above 1
// point, one point smaller. WidthAt may be empty (no width check).
int FitFontSize(int Size, int NewExtent, int OldExtent, const std::function<int(int)>& WidthAt,
                int CellWidth);

// Copies the look of Style onto every main calendar of the document: everything but the
// target's position, size, year, month and month offset. Element fonts are fitted to the
// target's height (FitFontSize); an element whose font ends below MinCaptionFontSize is
// hidden.
void ApplyCalendarStyle(TLabelData& Doc, const TLOCalendar& Style);
// The first main calendar of the first label that has one, read from FileName, or raises
// EWizardFillError.
std::unique_ptr<TLOCalendar> ReadStyleCalendar(const QString& FileName);

// Empties Site and lays out the current sheet on it as it prints: sized to the paper, the
// objects of every face moved by the top-left of the face's cut line and not selectable.
void BuildPreviewSite(TLabelData& Doc, TDrawSite& Site);
// The current sheet drawn at most MaxWidth x MaxHeight pixels (aspect kept).
QImage RenderSheetPreview(TLabelData& Doc, int MaxWidth, int MaxHeight);

// What the wizard's pages collect.
struct TWizardOrder {
    QString TemplateFile;
    QString StyleFile; // empty: the template's own look
    int Year = 0;
    int Month = 1;
    QStringList Photos;
};

// Builds the calendar the order asks for in a new document and makes Doc a copy of it:
// the template opened, the style's look, the months from the start month, the monthly
// background colours and the photos; Doc is then Modified and without a name. Every file is
// read before Doc is touched: on any failure (raised with a message for the user) Doc is
// unchanged. Progress (optional) runs over the stages.
void FillCalendarDocument(TLabelData& Doc, const TWizardOrder& Order,
                          TPhasedProgressBase* Progress = nullptr);
