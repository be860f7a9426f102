#pragma once
// The print command: the print dialog, the paper-size check, the progress window with
// Cancel, printing, and the document's print time. PrintToPdf is the same run without any
// window, for tests and for callers that export a PDF.

#include "UPrintSettings.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
class TLabelData;
class TPhasedProgressBase;
class TPrintSite;
class TPrintTarget;

// Runs the print dialog for Data, the paper-size check, the progress window, prints,
// refreshes dates and sets LastPrint. Returns true when something was printed.
bool ExecutePrintCommand(QWidget* Parent, TLabelData& Data, int CurrentSheet,
                         const QList<int>& SelectedFaces);

// How many faces of the current sheet carry a design, as the print dialog says it: one
// design printed on every face, or the faces with a design of their own out of all faces.
QString DescribeFaceDesigns(TLabelData& Data);

// Prints Data as Spec asks into PdfFile (replaced only by a finished file). Date objects
// that show the print time show this print's; LastPrint becomes now when something was
// printed. Answers false with Error set on failure (PdfFile untouched).
bool PrintToPdf(TLabelData& Data, const QString& PdfFile, const TPrintSpec& Spec, QString* Error);

// The run both share: prints Data on Target with Progress (may be null) and OnWaitJob (may
// be empty). LastPrint is set to now before the labels are read (so date objects showing the
// print time show this print's) and put back when nothing was printed. Answers whether a
// job was finished; Error receives the reason of a failure (empty on cancel). When a sheet
// fails after earlier sheets' jobs were handed on, the answer is true and Error names the
// sheets printed (PartlyPrintedMessage).
// The report of a print that failed after SheetsPrinted were handed on.
QString PartlyPrintedMessage(const QStringList& SheetsPrinted, const QString& Failure);

bool RunPrint(TLabelData& Data, TPrintTarget& Target, const TPrintSpec& Spec,
              TPhasedProgressBase* Progress, const std::function<int(TPrintSite*, int)>& OnWaitJob,
              QString* Error);
