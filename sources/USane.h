#pragma once
// A thin C++ layer over SANE, the scanner access library: the library's lifetime, the list
// of devices, one open device with its options, and the scan of one image into a bitmap.
//
// Every call that fails raises ESane with the backend's own status text, so that callers
// show what went wrong. Scanning may run on a worker thread; Cancel may be called from any
// thread while it runs (SANE allows that), every other call belongs to one thread at a time.

#include "UBitmap.h"
#include "UException.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// A failure of the backend. Status is SANE's status code (0 when the failure is this
// layer's own, such as an image too large for a bitmap).
class ESane : public Exception {
public:
    explicit ESane(QString Message, int Status = 0)
        : Exception(std::move(Message)), Status(Status) {}
    int Status;
};
// SANE's status codes this program tells apart.
constexpr int SaneStatusCancelled = 2;
constexpr int SaneStatusNoDocs = 7;

// One device as the library lists it.
struct TSaneDeviceInfo {
    QString Name; // what TSaneDevice opens ("test:0", "net:host:...")
    QString Vendor;
    QString Model;
    QString Type; // "flatbed scanner", "virtual device", ...
    // "Vendor Model (Name)", for choosers.
    QString DisplayName() const;
};

// Holds the library initialised while it lives; instances nest (the library is initialised
// by the first and released by the last one).
class TSaneLibrary {
public:
    TSaneLibrary();
    ~TSaneLibrary();
    TSaneLibrary(const TSaneLibrary&) = delete;
    TSaneLibrary& operator=(const TSaneLibrary&) = delete;

    // The devices the configured backends find now (local ones and network ones).
    std::vector<TSaneDeviceInfo> Devices() const;
};

// Range of a numeric option in its own unit (dpi, mm); Step 0 means continuous. Values is
// set instead when the option offers a list of numbers.
struct TSaneRange {
    double Min = 0;
    double Max = 0;
    double Step = 0;
    std::vector<double> Values;
};

// The scan area in millimetres from the top-left corner of the glass.
struct TSaneArea {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
};

// Progress of a running scan: bytes received, bytes expected (0 while unknown).
using TSaneProgress = std::function<void(int64_t Done, int64_t Total)>;

class TSaneDevice {
public:
    // Opens Name ("" = the first device the library knows). Raises ESane.
    explicit TSaneDevice(const QString& Name);
    ~TSaneDevice();
    TSaneDevice(const TSaneDevice&) = delete;
    TSaneDevice& operator=(const TSaneDevice&) = delete;

    const QString& Name() const { return FName; }

    // Options by their well-known names ("mode", "resolution", "tl-x", ...). Has answers
    // false for an option the device lacks or that is inactive now.
    bool HasOption(const QString& OptionName) const;
    QStringList StringChoices(const QString& OptionName) const;
    QString StringValue(const QString& OptionName) const;
    double NumberValue(const QString& OptionName) const;
    TSaneRange NumberRange(const QString& OptionName) const;
    // Setting raises ESane for an unknown, inactive or read-only option or a refused value;
    // the device may round a number to its own steps.
    void SetString(const QString& OptionName, const QString& Value);
    void SetNumber(const QString& OptionName, double Value);
    void SetBool(const QString& OptionName, bool Value);

    // Colour modes the device offers, from its "mode" option (empty when it has none).
    QStringList Modes() const { return StringChoices(QStringLiteral("mode")); }
    // The largest scan area and the current one; an empty area when the device has no
    // geometry options.
    TSaneArea MaximumArea() const;
    TSaneArea Area() const;
    void SetArea(const TSaneArea& Area);

    // Scans one image: grey scans give an 8-bit bitmap with a grey colour table, colour
    // scans a 24-bit one (16-bit samples keep their upper byte; 1-bit scans are black and
    // white). Single-pass and three-pass colour are both read. Raises ESane on any backend
    // error, including a cancelled scan (Cancelled() tells that case apart) and an image
    // larger than a bitmap may be. Call Finish after the last image of a batch.
    TBitmap Scan(const TSaneProgress& Progress = {});
    // Ends the current batch (the feeder keeps its remaining pages); a cancel asked for
    // before is forgotten.
    void Finish();
    // Asks a running Scan to stop; safe from any thread.
    void Cancel();
    // True when the last Scan ended because of Cancel or the device's own cancel.
    bool Cancelled() const { return FCancelled; }

private:
    TBitmap ScanFrames(const TSaneProgress& Progress);
    int OptionIndex(const QString& OptionName) const;
    void Control(int Index, void* Value, bool Set, const QString& OptionName);

    QString FName;
    TSaneLibrary FLibrary;
    void* FHandle = nullptr;
    std::atomic<bool> FCancelRequested{false};
    std::atomic<bool> FCancelled{false};
};
