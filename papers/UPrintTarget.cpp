#include "UPrintTarget.h"

#include "UPrinters.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <filesystem>
#include <system_error>

namespace {

// Paper sizes a page may have, in 0.1 mm.
constexpr int MinPaperSize = 10;
constexpr int MaxPaperSize = 100000;

} // namespace

QPageLayout PaperPageLayout(int Width, int Height) {
    if (Width < MinPaperSize || Height < MinPaperSize || Width > MaxPaperSize ||
        Height > MaxPaperSize)
        throw EPrintError(
            QStringLiteral("用紙のサイズが正しくありません (%1 x %2)").arg(Width).arg(Height));
    const bool landscape = Width > Height;
    const QSizeF portrait(std::min(Width, Height) / 10.0, std::max(Width, Height) / 10.0);
    const QPageSize size(portrait, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    QPageLayout layout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    return layout;
}

TPdfPrintTarget::TPdfPrintTarget(int Resolution, bool Spools, QString WorkDir, TPdfDelivery Deliver)
    : FResolution(Resolution), FSpools(Spools), FWorkDir(std::move(WorkDir)),
      FDeliver(std::move(Deliver)) {}

TPdfPrintTarget::~TPdfPrintTarget() {
    Discard();
}

void TPdfPrintTarget::BeginDoc(const QString& Title, const QPageLayout& Layout) {
    Discard();
    FAborted = false;
    FTitle = Title;
    FPageCount = 0;
    auto file = std::make_unique<QTemporaryFile>(FWorkDir + QStringLiteral("/.print-XXXXXX.pdf"));
    if (!file->open())
        throw EPrintError(
            QStringLiteral("印刷用の一時ファイルを作れません: %1").arg(file->errorString()));
    auto writer = std::make_unique<QPdfWriter>(file.get());
    writer->setResolution(FResolution);
    writer->setTitle(Title);
    writer->setCreator(QStringLiteral("Vantomi"));
    writer->setPageLayout(Layout);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(writer.get()))
        throw EPrintError(QStringLiteral("印刷を始められません"));
    FFile = std::move(file);
    FWriter = std::move(writer);
    FPainter = std::move(painter);
    FPageCount = 1;
}

void TPdfPrintTarget::NewPage(const QPageLayout& Layout) {
    if (!FWriter)
        return;
    FWriter->setPageLayout(Layout);
    FWriter->newPage();
    ++FPageCount;
}

QPainter& TPdfPrintTarget::Painter() {
    if (!FPainter)
        throw EPrintError(QStringLiteral("印刷中ではありません"));
    return *FPainter;
}

bool TPdfPrintTarget::Printing() const {
    return FPainter && !FAborted;
}

void TPdfPrintTarget::EndDoc() {
    if (!FPainter)
        return;
    if (FAborted) {
        Discard();
        return;
    }
    const bool ended = FPainter->end();
    FPainter.reset();
    FWriter.reset();
    const bool flushed = FFile->flush();
    if (!ended || !flushed || FFile->error() != QFileDevice::NoError) {
        const QString reason = FFile->errorString();
        Discard();
        throw EPrintError(QStringLiteral("印刷データを書けません: %1").arg(reason));
    }
    FFile->close();
    const QString path = FFile->fileName();
    try {
        FLastJobId = FDeliver ? FDeliver(path, FTitle) : 0;
    } catch (...) {
        Discard();
        throw;
    }
    FLastPageCount = FPageCount;
    FFile.reset(); // removes the temporary file unless the delivery moved it
}

void TPdfPrintTarget::Discard() {
    if (FPainter && FPainter->isActive())
        FPainter->end();
    FPainter.reset();
    FWriter.reset();
    FFile.reset();
}

std::unique_ptr<TPrintTarget> CreatePdfFileTarget(const QString& FileName, int Resolution) {
    const QFileInfo info(FileName);
    const QString dir = info.absolutePath();
    auto deliver = [target = info.absoluteFilePath()](const QString& PdfFile, const QString&) {
        // A printed file is readable like any other file the user saves.
        QFile::setPermissions(PdfFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther);
        // Same folder, so the rename replaces the file in one step.
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(PdfFile).constData(),
                                QFile::encodeName(target).constData(), error);
        if (error)
            throw EPrintError(QStringLiteral("%1 に書けません: %2")
                                  .arg(target, QString::fromStdString(error.message())));
        return 0;
    };
    return std::make_unique<TPdfPrintTarget>(Resolution, false, dir, deliver);
}

std::unique_ptr<TPrintTarget> CreateCupsTarget(const QString& PrinterName, int Resolution) {
    auto deliver = [PrinterName](const QString& PdfFile, const QString& Title) {
        QString error;
        const int job = SubmitCupsJob(PrinterName, PdfFile, Title, &error);
        if (job == 0)
            throw EPrintError(
                QStringLiteral("プリンタ %1 に送れません: %2").arg(PrinterName, error));
        return job;
    };
    return std::make_unique<TPdfPrintTarget>(Resolution, true, QDir::tempPath(), deliver);
}
