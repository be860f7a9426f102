#pragma once
// TPrintSite: an invisible design surface that lays the faces (labels) of a document onto
// printer pages, one face after another, and drives the jobs, copies and outlines.
//
// Each printed face is rendered into bitmaps at the effective resolution, in strips of at
// most 2 MiB (so memory stays bounded whatever the page size), exactly as the design surface
// draws it (blended objects print blended), and each strip is drawn on the page clipped to
// the face's shape, its centre hole cut out. Outlines are drawn as hairlines over the faces.
// Every sheet is printed on a page of its own paper's size and orientation.
//
// Positions: objects of a label are in face coordinates, (0, 0) at the top-left of the
// face's cut line and the bleed margin at negative coordinates; they are moved by the cut
// line's left and top onto the sheet (MoveFaceObjectsToSheet). The print offset (0.1 mm)
// moves everything on the page.
//
// The document's current sheet is restored after printing. User-interface thread only; the
// event loop is pumped after every face and every drawn object, so a progress window with a
// Cancel button (TPrintTarget::RequestAbort) stays responsive.

#include "UDrawSite.h"
#include "UPrintSettings.h"

#include <QPageLayout>
#include <QRegion>
#include <QStringList>
#include <functional>

class TDOList;
class TFaceInfo;
class TLabelData;
class TPhasedProgressBase;
class TPrintTarget;
class QPainter;
class QPainterPath;

// Answers of OnWaitJob.
enum TWaitJobAnswer { wjaGoOn = 0, wjaStop = 1, wjaStopWaiting = 2 };

class TPrintSite : public TDrawSite {
    Q_OBJECT
public:
    // LabelData, Progress (may be null) and Spec are not owned and must outlive the site.
    TPrintSite(TLabelData& LabelData, TPhasedProgressBase* Progress, const TPrintSpec& Spec);
    ~TPrintSite() override;

    // Prints on Target: every sheet or the current one, one job or (on a spooling target,
    // with SpoolEachSheet and more than one sheet) one job per sheet titled by
    // "$(PrintTitleFormatEachSheet)". Every progress phase begun is ended, also when this
    // raises or the target is aborted; an aborted job is discarded. Raises EPrintError.
    void Print(TPrintTarget& Target);

    // The job title (the document's name); per-sheet jobs put the sheet name before it.
    QString Title;
    // Asked between two sheets' jobs with the job id of the sheet just spooled (never with
    // 0): wjaGoOn, wjaStop (the remaining sheets are not printed) or wjaStopWaiting (they are
    // spooled without asking again).
    std::function<int(TPrintSite* Sender, int JobId)> OnWaitJob;

    // Pages handed to the target by the last Print (all jobs), and jobs finished.
    int PagesPrinted() const { return FPagesPrinted; }
    int JobsPrinted() const { return FJobsPrinted; }
    // The names of the sheets whose jobs were finished by the last Print, in print order;
    // kept when a later sheet fails.
    const QStringList& SheetsPrinted() const { return FSheetsPrinted; }

    void DrawProgress(int Value) override;
    void DrawObject(TDrawObject* Object) override;

private:
    void OneJob(int First, int Last);
    void OneJobPerSheet(int First, int Last);
    // Ends the open job: handed on (true) or, when aborted, discarded (false).
    bool FinishJob();
    void PrintCopies(bool FirstPage);
    void PrintFaces();
    void PrintFace(int Face);
    // Reads face Face's objects onto the site; answers whether there were any.
    bool BuildFaceObjects(int Face, const TFaceInfo& Info);
    void RenderFace(const TFaceInfo& Info);
    void DrawOutlines();
    bool Printing() const;
    void ProcessMessages();
    void BeginPhase(int Max);
    void EndPhase();
    void StepProgress();
    QPageLayout SheetLayout();

    TLabelData& FLabelData;
    TPhasedProgressBase* FProgress;
    const TPrintSpec& FSpec;
    TPrintTarget* FTarget = nullptr;
    int FResolution = 254;
    TPoint FOrigin;
    int FPagesPrinted = 0;
    int FJobsPrinted = 0;
    QStringList FSheetsPrinted;
    int FOpenPhases = 0;
};

// The outline of a face as a path in logical units (0.1 mm): its shape on the margin
// rectangle and, for shapes with a centre hole, the hole on the centre margin rectangle.
QPainterPath FaceOutlinePath(const TFaceInfo& Info);
// The face's cut line as a path: its shape on the face rectangle and the hole on the centre
// rectangle (the outline itself when the face has no margin).
QPainterPath FaceCutLinePath(const TFaceInfo& Info);
// Moves every object of List that answers IDOEncloseBounds by By.
void OffsetObjects(const TDOList& List, const TPoint& By);
// Moves the objects of a face, read in face coordinates, onto the sheet: by the top-left of
// Face's cut line. Objects without IDOEncloseBounds stay.
void MoveFaceObjectsToSheet(const TDOList& List, const TFaceInfo& Face);
// The area a face prints in, in device pixels at Resolution dots per inch of the sheet
// ((0, 0) at the sheet's corner): the face's shape with its centre hole cut out, as the design
// surface's canvas rounds it.
QRegion FacePrintRegion(const TFaceInfo& Info, int Resolution);
// The job title of one sheet: Format ("$(PrintTitleFormatEachSheet)" expanded) with its two
// "%s" replaced by SheetName and Title; text inside the arguments is never read as format.
QString FormatSheetTitle(const QString& Format, const QString& SheetName, const QString& Title);
