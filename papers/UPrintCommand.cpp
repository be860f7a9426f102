#include "UPrintCommand.h"

#include "FMessage.h"
#include "FPrint.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPrintSite.h"
#include "UPrintTarget.h"
#include "UPrinters.h"

#include <QDir>
#include <QFileInfo>

#include <QPageLayout>
#include <QStandardPaths>
#include <algorithm>

namespace {

// The page size of the printer Name in 0.1 mm, as its driver sets it up.
QSize PrinterPageSize(const QString& Name) {
    TPrinter& printer = Printer();
    const int index = static_cast<int>(printer.Printers().indexOf(Name));
    if (index < 0 || !printer.Open(index) || !printer.QtPrinter())
        return QSize();
    const QRectF page = printer.QtPrinter()->pageLayout().fullRect(QPageLayout::Millimeter);
    return QSize(qRound(page.width() * 10), qRound(page.height() * 10));
}

// True when a sheet to be printed has a paper the printer's page does not match.
bool AnySheetSizeDiffers(TLabelData& Data, const TPrintSpec& Spec, const QSize& Page) {
    const int current = Data.CurrentSheetNo();
    const int first = Spec.AllSheets ? 0 : current;
    const int last = Spec.AllSheets ? Data.SheetCount() - 1 : current;
    bool differs = false;
    for (int s = first; s <= last && !differs; ++s) {
        Data.SetSheet(s);
        const TPaperInfo* paper = Data.PaperInfo();
        differs = PaperSizeDiffers(Page.width(), Page.height(), paper->Width(), paper->Height());
    }
    Data.SetSheet(current);
    return differs;
}

// The PDF file offered: named after the document in the last print's folder (the documents
// folder before the first print); the last print's file when the document has no name.
QString DefaultPdfFile(const QString& Last, const QString& DataName) {
    if (DataName.isEmpty())
        return Last;
    const QString folder = Last.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : QFileInfo(Last).absolutePath();
    return QDir(folder).filePath(QFileInfo(DataName).completeBaseName() + QStringLiteral(".pdf"));
}

QString DocumentTitle(const TLabelData& Data) {
    return Data.DataName().isEmpty() ? QStringLiteral("Vantomi") : Data.DataName();
}

} // namespace

QString PartlyPrintedMessage(const QStringList& SheetsPrinted, const QString& Failure) {
    QStringList quoted;
    for (const QString& sheet : SheetsPrinted)
        quoted << QStringLiteral("「%1」").arg(sheet);
    return QStringLiteral("印刷されたシート: %1\n残りのシートは印刷されていません: %2")
        .arg(quoted.join(QStringLiteral("、")), Failure);
}

bool RunPrint(TLabelData& Data, TPrintTarget& Target, const TPrintSpec& Spec,
              TPhasedProgressBase* Progress, const std::function<int(TPrintSite*, int)>& OnWaitJob,
              QString* Error) {
    const TDateTime previous = Data.LastPrint();
    Data.SetLastPrint(NowDateTime());
    std::unique_ptr<TPrintSite> site;
    QString failure;
    try {
        site = std::make_unique<TPrintSite>(Data, Progress, Spec);
        site->Title = DocumentTitle(Data);
        site->OnWaitJob = OnWaitJob;
        site->Print(Target);
    } catch (const Exception& E) {
        failure = E.Message;
    } catch (const std::exception& E) {
        failure = QString::fromLocal8Bit(E.what());
    }
    // Jobs handed on before a later sheet failed are printed: they count, and are named.
    const bool printed = site && site->JobsPrinted() > 0;
    if (!printed)
        Data.SetLastPrint(previous);
    if (Error)
        *Error = printed && !failure.isEmpty()
                     ? PartlyPrintedMessage(site->SheetsPrinted(), failure)
                     : failure;
    return printed;
}

bool PrintToPdf(TLabelData& Data, const QString& PdfFile, const TPrintSpec& Spec, QString* Error) {
    const std::unique_ptr<TPrintTarget> target = CreatePdfFileTarget(PdfFile, BuiltInPdfResolution);
    QString error;
    const bool printed = RunPrint(Data, *target, Spec, nullptr, {}, &error);
    if (!printed && error.isEmpty())
        error = QStringLiteral("印刷されたものがありません");
    if (Error)
        *Error = printed ? QString() : error;
    return printed;
}

QString DescribeFaceDesigns(TLabelData& Data) {
    const int faces = std::max(1, Data.PaperInfo()->GetFaceCount());
    if (!Data.SeparatelyDesign())
        return QStringLiteral("すべてのラベル（%1面）に同じデザインを印刷します").arg(faces);
    int designed = 0;
    for (int face = 0; face < faces; ++face)
        if (Data.HasLabelData(face))
            ++designed;
    return QStringLiteral("デザインのあるラベル: %1面中 %2面").arg(faces).arg(designed);
}

bool ExecutePrintCommand(QWidget* Parent, TLabelData& Data, int CurrentSheet,
                         const QList<int>& SelectedFaces) {
    if (CurrentSheet >= 0 && CurrentSheet < Data.SheetCount())
        Data.SetSheet(CurrentSheet);
    TfrmPrint dialog(Parent, Data.SheetCount(), SelectedFaces);
    dialog.SetDesignNote(DescribeFaceDesigns(Data));
    dialog.SetPdfFile(DefaultPdfFile(dialog.PdfFile(), Data.DataName()));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const TPrintSpec spec = dialog.Spec();
    const QString printerName = dialog.PrinterName();
    const bool pdf = printerName == BuiltInPdfPrinterName;

    std::unique_ptr<TPrintTarget> target;
    if (pdf) {
        // The PDF printer gives every sheet a page of its own paper's size.
        target = CreatePdfFileTarget(dialog.PdfFile(), BuiltInPdfResolution);
    } else {
        const QSize page = PrinterPageSize(printerName);
        if (page.isValid() && AnySheetSizeDiffers(Data, spec, page) &&
            !AskPrintDespiteSizeMismatch())
            return false;
        const int dpi = Printer().QtPrinter() ? Printer().QtPrinter()->resolution() : 600;
        target = CreateCupsTarget(printerName, dpi);
    }

    TfrmPrintProgress progress(Parent);
    TPrintTarget* running = target.get();
    progress.OnCancel = [running] { running->RequestAbort(); };
    progress.setModal(true);
    progress.show();
    auto waitJob = [&progress, &Data, printerName](TPrintSite*, int JobId) {
        TfrmWaitJob wait(&progress, Data.SheetName(), JobId,
                         [printerName, JobId] { return IsCupsJobActive(printerName, JobId); });
        return wait.exec();
    };
    QString error;
    const bool printed = RunPrint(Data, *target, spec, &progress.Progress(), waitJob, &error);
    progress.hide();
    if (!error.isEmpty())
        ShowMessageForm(printed ? QStringLiteral("一部のシートだけを印刷しました。\n%1").arg(error)
                                : QStringLiteral("印刷できませんでした。\n%1").arg(error),
                        {bkOK}, 0, 0);
    return printed;
}
