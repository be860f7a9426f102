#include "UTwain.h"

#include "UAppFrame.h"
#include "UGuard.h"
#include "UPathUtil.h"
#include "USafetyBitmap.h"
#include "UStreams.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>

namespace {

const QString SSourceSetting = QStringLiteral("ScanSource");

// The text of an ETwain for a backend failure: the status code first, as the source
// manager's condition codes were shown, then what failed.
ETwain TwainError(const ESane& Error) {
    if (Error.Status == 0)
        return ETwain(Error.Message);
    return ETwain(QStringLiteral("TWAIN ERROR : %1").arg(Error.Message));
}

// At most Bytes bytes of Text in UTF-8, never cutting a character.
QString Truncated(const QString& Text, int Bytes) {
    QString result = Text;
    while (result.toUtf8().size() > Bytes)
        result.chop(1);
    return result;
}

} // namespace

TTwainManager& TTwainManager::Instance() {
    static TTwainManager manager;
    return manager;
}

TTwainManager::TTwainManager() = default;

TTwainManager::~TTwainManager() {
    FCurrent = nullptr;
    FSource.reset();
    FLibrary.reset();
}

void TTwainManager::SetProductName(const QString& Value) {
    if (!FAppIdentity.ProductName.isEmpty())
        throw ETwain(QStringLiteral("Product Name is already setting."));
    const QString name = Truncated(Value, 33);
    FAppIdentity.Info = name;
    FAppIdentity.ProductFamily = name;
    FAppIdentity.ProductName = name;
}

void TTwainManager::SetSourceName(const QString& Value) {
    FSourceName = Value;
    try {
        RegWriteString(SSourceSetting, Value);
    } catch (const std::exception& E) {
        // The choice still holds for this session.
        qWarning("The scanner choice cannot be kept in the settings: %s", E.what());
    }
}

void TTwainManager::Log(int Code, const QString& Operation) const {
    if (LogTarget)
        LogTarget->append(
            QStringLiteral("(%1)%2").arg(Code, 4, 16, QLatin1Char('0')).arg(Operation));
}

void TTwainManager::Failed(const ESane& Error, const QString& Operation) {
    Log(1, Operation);
    CloseSource();
    throw TwainError(Error);
}

void TTwainManager::Load() {
    if (FLibrary)
        return;
    if (FAppIdentity.ProductName.isEmpty() && !QCoreApplication::applicationName().isEmpty())
        SetProductName(QCoreApplication::applicationName());
    try {
        FLibrary = std::make_unique<TSaneLibrary>();
    } catch (const ESane&) {
        Log(1, QStringLiteral("OpenDSM"));
        throw ETwain(QStringLiteral("TWAINドライバが見つかりません"));
    }
    Log(0, QStringLiteral("OpenDSM"));
    if (FSourceName.isEmpty())
        FSourceName = RegReadString(SSourceSetting, QString());
}

void TTwainManager::Unload() {
    if (!FLibrary)
        return;
    CloseSource();
    FLibrary.reset();
    Log(0, QStringLiteral("CloseDSM"));
}

std::vector<TSaneDeviceInfo> TTwainManager::Sources() {
    Load();
    try {
        return FLibrary->Devices();
    } catch (const ESane& E) {
        Failed(E, QStringLiteral("Sources"));
    }
}

bool TTwainManager::SelectSource(QWidget* Owner) {
    Load();
    CloseSource();
    const std::vector<TSaneDeviceInfo> sources = Sources();
    const int index = ChooseSource ? ChooseSource(Owner, sources, FSourceName) : -1;
    const bool chosen = index >= 0 && index < static_cast<int>(sources.size());
    Log(chosen ? 0 : 3, QStringLiteral("SelectSource"));
    if (chosen)
        SetSourceName(sources[static_cast<size_t>(index)].Name);
    return chosen;
}

void TTwainManager::OpenSource() {
    Load();
    if (FSource)
        return;
    try {
        FSource = std::make_unique<TSaneDevice>(FSourceName);
    } catch (const ESane& E) {
        Failed(E, QStringLiteral("OpenSource"));
    }
    Log(0, QStringLiteral("OpenSource"));
}

void TTwainManager::CloseSource() {
    if (!FSource)
        return;
    if (FInCall && FCurrent) {
        // The scan is still reading: stop it now, close when it returns.
        FCurrent->FCloseRequested = true;
        FSource->Cancel();
        return;
    }
    DisableSource();
    FSource.reset();
    Log(0, QStringLiteral("CloseSource"));
}

bool TTwainManager::EnableSource(TTwain& Component, QWidget* Owner) {
    if (FEnabled)
        return true;
    OpenSource();
    FEnabled = true;
    Log(0, QStringLiteral("EnableSource"));
    return true;
}

void TTwainManager::DisableSource() {
    if (!FEnabled)
        return;
    FEnabled = false;
    Log(0, QStringLiteral("DisableSource"));
    if (FCurrent && FCurrent->OnDisableSource)
        FCurrent->OnDisableSource();
}

TTwain::TTwain(QObject* Parent) : QObject(Parent) {}

TTwain::~TTwain() {
    TTwainManager& manager = TTwainManager::Instance();
    if (FWorker.joinable()) {
        if (manager.Source())
            manager.Source()->Cancel();
        FWorker.join();
        manager.FInCall = false;
    }
    if (manager.FCurrent != this)
        return;
    manager.FCurrent = nullptr;
    // A close asked for during the scan is done now that the scan has returned.
    if (FCloseRequested)
        manager.CloseSource();
}

void TTwain::Acquire(QWidget* Owner) {
    TTwainManager& manager = TTwainManager::Instance();
    manager.FCurrent = this;
    FCloseRequested = false;
    FDelivered = 0;
    FLastError = nullptr;
    bool scan = false;
    try {
        manager.EnableSource(*this, Owner);
        scan = !manager.ShowSourceSettings || manager.ShowSourceSettings(*manager.Source(), Owner);
    } catch (...) {
        // Kept for the window, which ends and raises it; the source is closed already.
        FLastError = std::current_exception();
        manager.CloseSource();
        if (!manager.SourceEnabled() && OnDisableSource)
            OnDisableSource();
        return;
    }
    // The answer of the settings window arrives like the source's own message would: after
    // the current event.
    if (scan)
        QTimer::singleShot(0, this, &TTwain::StartTransfer);
    else
        QTimer::singleShot(0, this, [] { TTwainManager::Instance().CloseSource(); });
}

void TTwain::StartTransfer() {
    TTwainManager& manager = TTwainManager::Instance();
    TSaneDevice* source = manager.Source();
    if (!source || FCloseRequested) {
        manager.CloseSource();
        return;
    }
    bool skip = false;
    if (OnBeforeTransfer)
        OnBeforeTransfer(skip);
    if (skip) {
        if (AutoClose)
            manager.CloseSource();
        return;
    }
    manager.FInCall = true;
    FDone = 0;
    FTotal = 0;
    auto progressPosted = std::make_shared<std::atomic<bool>>(false);
    FWorker = std::thread([this, source, progressPosted] {
        TBitmap image;
        std::exception_ptr error;
        bool canceled = false;
        try {
            image = source->Scan([this, progressPosted](int64_t Done, int64_t Total) {
                FDone = Done;
                FTotal = Total;
                if (!progressPosted->exchange(true))
                    QMetaObject::invokeMethod(
                        this,
                        [this, progressPosted] {
                            progressPosted->store(false);
                            emit Progress(FDone, FTotal);
                        },
                        Qt::QueuedConnection);
            });
        } catch (...) {
            error = std::current_exception();
            canceled = source->Cancelled();
        }
        QMetaObject::invokeMethod(
            this, [this, image, error, canceled] { TransferDone(image, error, canceled); },
            Qt::QueuedConnection);
    });
}

void TTwain::JoinWorker() {
    if (FWorker.joinable())
        FWorker.join();
}

bool TTwain::FeederHasMore() const {
    const TSaneDevice* source = TTwainManager::Instance().Source();
    if (!source || !source->HasOption(QStringLiteral("source")))
        return false;
    const QString feed = source->StringValue(QStringLiteral("source"));
    return feed.contains(QLatin1String("ADF"), Qt::CaseInsensitive) ||
           feed.contains(QLatin1String("Feeder"), Qt::CaseInsensitive);
}

void TTwain::TransferDone(TBitmap Image, std::exception_ptr Error, bool Canceled) {
    JoinWorker();
    TTwainManager& manager = TTwainManager::Instance();
    manager.FInCall = false;
    TSaneDevice* source = manager.Source();
    if (FCloseRequested || !source) {
        manager.CloseSource();
        return;
    }
    if (Error) {
        int status = 0;
        try {
            std::rethrow_exception(Error);
        } catch (const ESane& E) {
            status = E.Status;
            // An empty feeder ends a batch quietly once a page has come.
            if (!Canceled && (E.Status != SaneStatusNoDocs || FDelivered == 0))
                FLastError = std::make_exception_ptr(TwainError(E));
        } catch (...) {
            FLastError = Error;
        }
        manager.Log(status, QStringLiteral("NativeTransfer"));
        if (Canceled && OnTransferFromStream)
            OnTransferFromStream(nullptr, true);
        source->Finish();
        manager.Log(0, QStringLiteral("ResetTransfer"));
        manager.CloseSource();
        return;
    }
    manager.Log(6, QStringLiteral("NativeTransfer"));
    DeliverImage(Image);
    ++FDelivered;
    if (FCloseRequested) {
        manager.CloseSource();
        return;
    }
    if (MultipleTransfer && FeederHasMore()) {
        manager.Log(0, QStringLiteral("PendingTransfer"));
        StartTransfer();
        return;
    }
    source->Finish();
    manager.Log(0, QStringLiteral("ResetTransfer"));
    if (AutoClose)
        manager.CloseSource();
}

void TTwain::DeliverImage(const TBitmap& Image) {
    const QString fileName = MakeTempFileName(QStringLiteral("mtf"));
    const TGuard removeFile([fileName] { QFile::remove(fileName); });
    TFileStream stream(fileName, fmCreate);
    TSafetyBitmap(Image).SaveToStream(stream);
    stream.Seek(0, soBeginning);
    if (OnTransferFromStream)
        OnTransferFromStream(&stream, false);
}

bool TTWainSelectDialog::Execute(QWidget* Owner) {
    TTwainManager& manager = TTwainManager::Instance();
    manager.CloseSource();
    const bool chosen = manager.SelectSource(Owner);
    if (Owner && Owner->isWindow()) {
        Owner->raise();
        Owner->activateWindow();
    }
    return chosen;
}
