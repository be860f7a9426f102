#pragma once
// Print targets: what a print run draws its pages on. A target takes one job at a time
// (BeginDoc .. EndDoc), each page with its own paper size and orientation, and hands the
// finished job on: to a PDF file, or to a CUPS queue that answers a job id.
//
// Every job is first written as a PDF into a temporary file; nothing reaches the
// destination until EndDoc has finished the file, so a cancelled or failed job leaves no
// half-written output behind (the temporary file is removed).
//
// Cancelling: RequestAbort may be called from inside an event handler while a page is being
// drawn; it only makes Printing() false. The caller stops drawing at its next test of
// Printing() and then calls Discard (or EndDoc, which discards an aborted job).

#include "UException.h"

#include <QPageLayout>
#include <QString>
#include <functional>
#include <memory>

class QPainter;
class QPdfWriter;
class QTemporaryFile;

VANTOMI_DECLARE_EXCEPTION(EPrintError, Exception)

class TPrintTarget {
public:
    virtual ~TPrintTarget() = default;

    // True for a spooling printer (a queue that takes one job per sheet).
    virtual bool Spools() const = 0;
    // Device pixels per inch of the painter's coordinates.
    virtual int DeviceResolution() const = 0;
    // Starts a job; its first page has Layout. Raises EPrintError when the job cannot start.
    virtual void BeginDoc(const QString& Title, const QPageLayout& Layout) = 0;
    // Starts the next page of the job with Layout.
    virtual void NewPage(const QPageLayout& Layout) = 0;
    // The painter of the current page: device pixels at DeviceResolution, (0, 0) at the
    // paper's corner. Valid between BeginDoc and EndDoc/Discard.
    virtual QPainter& Painter() = 0;
    // Finishes the job and hands it on; an aborted job is discarded instead. Raises
    // EPrintError when the output cannot be finished or delivered (the job is discarded).
    virtual void EndDoc() = 0;
    // Drops the job being written, if any.
    virtual void Discard() = 0;
    // Stops the job at the caller's next test of Printing().
    virtual void RequestAbort() = 0;
    bool Aborted() const { return FAborted; }
    // A job is open and has not been aborted.
    virtual bool Printing() const = 0;
    // The spooler's id of the last job handed on; 0 when none can be had.
    virtual int LastJobId() const = 0;
    // Pages of the last finished job.
    virtual int LastPageCount() const = 0;

protected:
    bool FAborted = false;
};

// Hands a finished job's PDF file on and answers its job id (0 when none can be had).
// PdfFile is a temporary file that is removed afterwards unless the delivery moved it.
// Raises EPrintError on failure.
using TPdfDelivery = std::function<int(const QString& PdfFile, const QString& Title)>;

// Writes each job as a PDF at Resolution dots per inch into a temporary file in WorkDir,
// then calls Deliver.
class TPdfPrintTarget : public TPrintTarget {
public:
    TPdfPrintTarget(int Resolution, bool Spools, QString WorkDir, TPdfDelivery Deliver);
    ~TPdfPrintTarget() override;

    bool Spools() const override { return FSpools; }
    int DeviceResolution() const override { return FResolution; }
    void BeginDoc(const QString& Title, const QPageLayout& Layout) override;
    void NewPage(const QPageLayout& Layout) override;
    QPainter& Painter() override;
    void EndDoc() override;
    void Discard() override;
    void RequestAbort() override { FAborted = true; }
    bool Printing() const override;
    int LastJobId() const override { return FLastJobId; }
    int LastPageCount() const override { return FLastPageCount; }

private:
    int FResolution;
    bool FSpools;
    QString FWorkDir;
    TPdfDelivery FDeliver;
    QString FTitle;
    std::unique_ptr<QTemporaryFile> FFile;
    std::unique_ptr<QPdfWriter> FWriter;
    std::unique_ptr<QPainter> FPainter;
    int FPageCount = 0;
    int FLastPageCount = 0;
    int FLastJobId = 0;
};

// A target that writes one PDF file: FileName is replaced only by a finished job.
std::unique_ptr<TPrintTarget> CreatePdfFileTarget(const QString& FileName, int Resolution);
// A target that submits every job to the CUPS queue PrinterName (spooling; job ids from
// CUPS).
std::unique_ptr<TPrintTarget> CreateCupsTarget(const QString& PrinterName, int Resolution);

// The page layout of a paper of Width x Height (0.1 mm, as the sheet shows it): its exact
// size, turned to landscape when wider than high, no margins. Raises EPrintError for a
// size below 1 mm or above 10 m.
QPageLayout PaperPageLayout(int Width, int Height);
