#pragma once
// Acquisition of one picture from a scanner or camera.
//
// The program drives an image source through a manager shaped like the classic source-manager
// protocol: load the manager, select a source, open it, enable it (the source shows its own
// settings to the user), transfer the image, close. SANE does the work underneath: the
// sources are SANE devices, the source's settings window is ours (TfrmTwainSource), and the
// transfer reads the scan on a worker thread so that the window stays responsive and the
// user can cancel. Every failure of the backend raises ETwain "TWAIN ERROR : <code>
// (<text>)", which the application frame shows with its scanner-error message.
//
// The manager keeps a log of its calls when LogTarget is set: one line "(cccc)Name" per
// call, cccc being the status code in four hex digits (0 = success).
//
// User-interface thread only, except the worker inside TTwain.

#include "UException.h"
#include "USane.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QWidget;
class TStream;

VANTOMI_DECLARE_EXCEPTION(ETwain, Exception)

// Identity the program presents to the manager.
struct TTwainIdentity {
    uint32_t Id = 0;
    uint16_t MajorNum = 1;
    uint16_t MinorNum = 0;
    uint16_t Language = 2;
    uint16_t Country = 81;
    QString Info;
    uint16_t ProtocolMajor = 1;
    uint16_t ProtocolMinor = 6;
    uint32_t SupportedGroups = 3;
    QString Manufacturer = QStringLiteral("Ostrivan");
    QString ProductFamily;
    QString ProductName;
};

class TTwain;

class TTwainManager {
public:
    // The one manager of the process.
    static TTwainManager& Instance();
    ~TTwainManager();
    TTwainManager(const TTwainManager&) = delete;
    TTwainManager& operator=(const TTwainManager&) = delete;

    const TTwainIdentity& AppIdentity() const { return FAppIdentity; }
    // Setting it twice raises ETwain "Product Name is already setting."; at most 33 bytes
    // are kept.
    void SetProductName(const QString& Value);

    // The selected source ("" = the first one the backends find). Kept in the settings as
    // "ScanSource" when a settings key exists.
    QString SourceName() const { return FSourceName; }
    void SetSourceName(const QString& Value);

    // "OpenDSM": makes sure the backends are loaded. Raises ETwain "TWAINドライバが見つかりません"
    // when they cannot be.
    void Load();
    // "CloseDSM": closes the source and releases the backends.
    void Unload();
    bool Loaded() const { return FLibrary != nullptr; }
    // The sources the backends offer now.
    std::vector<TSaneDeviceInfo> Sources();
    // "SelectSource": the user picks a source (ChooseSource); true when one was chosen.
    bool SelectSource(QWidget* Owner);

    // "OpenSource" / "CloseSource". Closing while the source is scanning only asks the scan
    // to stop and marks the running component; the source is closed when the scan returns.
    void OpenSource();
    void CloseSource();
    bool SourceOpen() const { return FSource != nullptr; }
    bool SourceEnabled() const { return FEnabled; }
    bool InCall() const { return FInCall; }
    // The open source, or nullptr.
    TSaneDevice* Source() const { return FSource.get(); }

    // The component running an acquisition (nullptr when none).
    TTwain* Current() const { return FCurrent; }

    // Shows the source's settings before a scan; true = scan, false = close. Replaceable
    // (tests); by default TfrmTwainSource.
    std::function<bool(TSaneDevice& Source, QWidget* Owner)> ShowSourceSettings;
    // Lets the user pick one of Sources (Current = the selected name); answers the index or
    // -1. Replaceable (tests); by default TfrmTwainSelect.
    std::function<int(QWidget* Owner, const std::vector<TSaneDeviceInfo>& Sources,
                      const QString& Current)>
        ChooseSource;

    // Lines of the call log, when set (not owned).
    QStringList* LogTarget = nullptr;

private:
    friend class TTwain;
    TTwainManager();
    void Log(int Code, const QString& Operation) const;
    // Raises ETwain for a backend error after closing the source.
    [[noreturn]] void Failed(const ESane& Error, const QString& Operation);
    bool EnableSource(TTwain& Component, QWidget* Owner);
    void DisableSource();

    TTwainIdentity FAppIdentity;
    QString FSourceName;
    std::unique_ptr<TSaneLibrary> FLibrary;
    std::unique_ptr<TSaneDevice> FSource;
    bool FEnabled = false;
    bool FInCall = false;
    TTwain* FCurrent = nullptr;
};

// One acquisition, as a window runs it: Acquire opens and enables the source; when the user
// starts the scan the image is read on a worker thread and handed over as a BMP file stream
// through OnTransferFromStream; OnDisableSource tells that the source is done (after the
// transfer, a cancel or a failure). A failure is kept in LastError for the window to raise.
class TTwain : public QObject {
    Q_OBJECT
public:
    explicit TTwain(QObject* Parent = nullptr);
    ~TTwain() override;

    // After the first image, the rest of a batch (document feeder) is dropped unless set.
    bool MultipleTransfer = false;
    // The source is closed after a transfer.
    bool AutoClose = true;
    // Stream = the image as a BMP file at position 0 (nullptr when Canceled).
    std::function<void(TStream* Stream, bool Canceled)> OnTransferFromStream;
    std::function<void()> OnDisableSource;
    // Set Skip to leave the image with the source.
    std::function<void(bool& Skip)> OnBeforeTransfer;

    // Starts an acquisition with the selected source. Owner parents the settings window.
    void Acquire(QWidget* Owner);
    bool CloseRequested() const { return FCloseRequested; }
    // The failure that ended the last acquisition (null when none).
    std::exception_ptr LastError() const { return FLastError; }

signals:
    // Bytes read so far and bytes expected (0 while unknown), during a transfer.
    void Progress(qint64 Done, qint64 Total);

private:
    friend class TTwainManager;
    void StartTransfer();
    void TransferDone(TBitmap Image, std::exception_ptr Error, bool Canceled);
    void DeliverImage(const TBitmap& Image);
    void JoinWorker();
    bool FeederHasMore() const;

    bool FCloseRequested = false;
    int FDelivered = 0;
    std::exception_ptr FLastError;
    std::thread FWorker;
    std::atomic<qint64> FDone{0};
    std::atomic<qint64> FTotal{0};
};

// Lets the user choose the source that acquisitions use.
class TTWainSelectDialog : public QObject {
    Q_OBJECT
public:
    explicit TTWainSelectDialog(QObject* Parent = nullptr) : QObject(Parent) {}
    // Closes the source, asks for a source, brings Owner back to the front; true when chosen.
    bool Execute(QWidget* Owner);
};
