#include "UPrinters.h"

#include <QCoreApplication>
#include <QFile>
#include <QPageLayout>
#include <QPrinterInfo>
#include <algorithm>
#include <cups/cups.h>

const QString BuiltInPdfPrinterName = QStringLiteral("PDF ファイル");

namespace {

// Resolution of the built-in PDF printer, in dots per inch.
constexpr int PdfResolution = BuiltInPdfResolution;

std::unique_ptr<QPrinter> OpenPrinter(const QString& Name) {
    if (Name == BuiltInPdfPrinterName) {
        auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setResolution(PdfResolution);
        p->setPageSize(QPageSize(QPageSize::A4));
        return p;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(Name);
    if (info.isNull())
        return nullptr;
    auto p = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!p->isValid())
        return nullptr;
    return p;
}

} // namespace

TPrinter::TPrinter() {
    Refresh();
}

TPrinter::~TPrinter() = default;

void TPrinter::Refresh() {
    const QString current = PrinterName();
    FNames = QPrinterInfo::availablePrinterNames();
    for (const QString& name : CupsPrinterNames())
        if (!FNames.contains(name))
            FNames.append(name);
    FNames.removeAll(BuiltInPdfPrinterName);
    FNames.append(BuiltInPdfPrinterName);
    FIndex = current.isEmpty() ? -1 : static_cast<int>(FNames.indexOf(current));
    if (FIndex < 0)
        FPrinter.reset();
}

QString TPrinter::PrinterName() const {
    return FIndex >= 0 && FIndex < FNames.size() ? FNames[FIndex] : QString();
}

bool TPrinter::IsBuiltInPdf() const {
    return PrinterName() == BuiltInPdfPrinterName;
}

bool TPrinter::Open(int Index) {
    if (Index < 0 || Index >= FNames.size())
        return false;
    std::unique_ptr<QPrinter> p = OpenPrinter(FNames[Index]);
    if (!p)
        return false;
    FPrinter = std::move(p);
    FIndex = Index;
    return true;
}

TDeviceCaps TPrinter::Caps() const {
    return FPrinter ? PrinterDeviceCaps(*FPrinter) : TDeviceCaps{};
}

// The printer lives until the application object goes, not until static destruction: the
// Qt printer needs the print support that goes with the application.
TPrinter& Printer() {
    static std::unique_ptr<TPrinter> printer;
    if (!printer) {
        printer = std::make_unique<TPrinter>();
        qAddPostRoutine([] { printer.reset(); });
    }
    return *printer;
}

TDeviceCaps PrinterDeviceCaps(const QPrinter& Printer) {
    TDeviceCaps caps;
    caps.Technology = DT_RASPRINTER;
    caps.BitsPixel = 24;
    caps.LogPixelsX = Printer.logicalDpiX();
    caps.LogPixelsY = Printer.logicalDpiY();
    const QRectF paper = Printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = Printer.pageRect(QPrinter::DevicePixel);
    caps.PhysicalWidth = static_cast<int>(paper.width());
    caps.PhysicalHeight = static_cast<int>(paper.height());
    caps.PhysicalOffsetX = static_cast<int>(page.left() - paper.left());
    caps.PhysicalOffsetY = static_cast<int>(page.top() - paper.top());
    caps.HorzRes = static_cast<int>(page.width());
    caps.VertRes = static_cast<int>(page.height());
    return caps;
}

bool EnsurePrinterSelected() {
    try {
        TPrinter& printer = Printer();
        printer.Refresh();
        const int preferred =
            static_cast<int>(printer.Printers().indexOf(QPrinterInfo::defaultPrinterName()));
        if (preferred >= 0 && printer.Open(preferred))
            return true;
        for (int i = 0; i < printer.Printers().size(); ++i)
            if (printer.Open(i))
                return true;
        return false;
    } catch (...) {
        return false;
    }
}

QStringList CupsPrinterNames() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QStringList names;
    for (int i = 0; i < count; ++i)
        if (dests[i].name && !dests[i].instance)
            names.append(QString::fromUtf8(dests[i].name));
    cupsFreeDests(count, dests);
    return names;
}

bool PrinterSpools(const QString& Name) {
    return !Name.isEmpty() && Name != BuiltInPdfPrinterName;
}

int SubmitCupsJob(const QString& Printer, const QString& File, const QString& Title,
                  QString* Error) {
    const int job =
        cupsPrintFile2(CUPS_HTTP_DEFAULT, Printer.toUtf8().constData(),
                       QFile::encodeName(File).constData(), Title.toUtf8().constData(), 0, nullptr);
    if (job <= 0 && Error)
        *Error = QString::fromUtf8(cupsLastErrorString());
    return std::max(job, 0);
}

bool IsCupsJobActive(const QString& Printer, int JobId) {
    if (JobId <= 0)
        return false;
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, Printer.toUtf8().constData(), 0,
                                   CUPS_WHICHJOBS_ACTIVE);
    bool active = false;
    for (int i = 0; i < count; ++i)
        active = active || jobs[i].id == JobId;
    cupsFreeJobs(count, jobs);
    return active;
}

TRect PrintableRectFromCaps(const TDeviceCaps& Caps, int UnitsPerInch) {
    if (Caps.LogPixelsX <= 0 || Caps.LogPixelsY <= 0)
        return TRect();
    return TRect(MulDiv(Caps.PhysicalOffsetX, UnitsPerInch, Caps.LogPixelsX),
                 MulDiv(Caps.PhysicalOffsetY, UnitsPerInch, Caps.LogPixelsY),
                 MulDiv(Caps.PhysicalOffsetX + Caps.HorzRes, UnitsPerInch, Caps.LogPixelsX),
                 MulDiv(Caps.PhysicalOffsetY + Caps.VertRes, UnitsPerInch, Caps.LogPixelsY));
}

void GetPrinterPrintableRect(int UnitsPerInch, TRect& Rect) {
    const TPrinter& printer = Printer();
    Rect = printer.QtPrinter() ? PrintableRectFromCaps(printer.Caps(), UnitsPerInch) : TRect();
}

TBandCanvas::TBandCanvas(std::function<TBitmap*()> BandBitmap, int PixelsPerInch,
                         const TDeviceCaps& PrinterCaps)
    : FBandBitmap(std::move(BandBitmap)) {
    SetFixedPixelsPerInch(PixelsPerInch != 0 ? PixelsPerInch : PrinterCaps.LogPixelsY);
    SetReferenceDevice(PrinterCaps);
}

TBitmap* TBandCanvas::GetBitmapHandle() {
    return FBandBitmap ? FBandBitmap() : nullptr;
}
