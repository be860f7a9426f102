#pragma once
// Printers: the list of printers (the CUPS queues Qt knows, followed by one built-in printer
// that writes PDF files and is always there, so that a machine without any print queue can
// still print), the current printer with its device capabilities, and the print-band canvas
// that print pages draw through.

#include "UMemoryCanvas.h"
#include "UWinTypes.h"

#include <QPrinter>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// The name under which the built-in PDF printer is listed.
extern const QString BuiltInPdfPrinterName;
// The resolution the built-in PDF printer answers, in dots per inch.
constexpr int BuiltInPdfResolution = 600;

class TPrinter {
public:
    TPrinter();
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // Reads the printer list again (the current printer stays selected when still listed).
    void Refresh();
    const QStringList& Printers() const { return FNames; }
    // Index of the current printer in Printers(), -1 when none is open.
    int PrinterIndex() const { return FIndex; }
    QString PrinterName() const;
    bool IsBuiltInPdf() const;
    // Opens printer Index and makes it current; answers false (keeping the previous one)
    // when it cannot be opened.
    bool Open(int Index);
    // Capabilities of the current printer (device pixels at its resolution).
    TDeviceCaps Caps() const;
    // The Qt printer of the current printer (nullptr when none is open).
    QPrinter* QtPrinter() const { return FPrinter.get(); }

private:
    QStringList FNames;
    int FIndex = -1;
    std::unique_ptr<QPrinter> FPrinter;
};

// The program's printer.
TPrinter& Printer();

// Capabilities of a Qt printer: resolution, printable area, physical page and offsets.
TDeviceCaps PrinterDeviceCaps(const QPrinter& Printer);

// Selects a usable printer: the default printer when it is listed and opens, else the first
// one that opens. False when none opens (an error inside also answers false).
bool EnsurePrinterSelected();

// CUPS queues as libcups lists them (empty when no scheduler answers).
QStringList CupsPrinterNames();
// True for a printer that spools its jobs: every CUPS queue; not the built-in PDF printer.
bool PrinterSpools(const QString& Name);
// Submits File (a PDF) to the CUPS queue Printer as a job titled Title; answers the job id,
// or 0 with Error set when the queue refuses it.
int SubmitCupsJob(const QString& Printer, const QString& File, const QString& Title,
                  QString* Error);
// True while job JobId of queue Printer is pending, held or processing.
bool IsCupsJobActive(const QString& Printer, int JobId);

// The printable area of Caps in units of UnitsPerInch: left and top are the physical
// offsets, right and bottom add the printable width and height. Horizontal values scale with
// the horizontal resolution, vertical values with the vertical one.
TRect PrintableRectFromCaps(const TDeviceCaps& Caps, int UnitsPerInch);
// The same for the current printer (an empty rectangle when none is open).
void GetPrinterPrintableRect(int UnitsPerInch, TRect& Rect);

// The print-band canvas: a memory canvas that draws on the band bitmap its print page
// supplies, imitates the printer, and measures at the page's resolution (the printer's
// vertical resolution when the page gives 0).
class TBandCanvas : public TMemoryCanvas {
public:
    TBandCanvas(std::function<TBitmap*()> BandBitmap, int PixelsPerInch,
                const TDeviceCaps& PrinterCaps);

protected:
    TBitmap* GetBitmapHandle() override;

private:
    std::function<TBitmap*()> FBandBitmap;
};
