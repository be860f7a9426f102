#include "USane.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <pthread.h>

static_assert(SaneStatusCancelled == SANE_STATUS_CANCELLED);
static_assert(SaneStatusNoDocs == SANE_STATUS_NO_DOCS);

// Backends read the device on a thread of their own, and many of them switch that thread to
// asynchronous cancellation before sane_cancel cancels it. A thread cancelled that way can
// stop anywhere, also inside malloc or another library call while it holds a lock, and the
// lock is then never released: the next thread that needs it (the scan worker, or exit)
// waits for ever. The program takes the library function's place and keeps every thread on
// deferred cancellation, so a reader ends at its next read, write or sleep. The executable
// exports this definition so that the backends, loaded later, bind to it.
extern "C" int pthread_setcanceltype(int Type, int* OldType) {
    using TSetCancelType = int (*)(int, int*);
    static const auto next =
        reinterpret_cast<TSetCancelType>(dlsym(RTLD_NEXT, "pthread_setcanceltype"));
    if (Type != PTHREAD_CANCEL_DEFERRED && Type != PTHREAD_CANCEL_ASYNCHRONOUS)
        return EINVAL;
    if (!next)
        return ENOSYS;
    return next(PTHREAD_CANCEL_DEFERRED, OldType);
}

namespace {

// The library is process-wide: initialised by the first holder, released by the last.
std::mutex LibraryMutex;
int LibraryUsers = 0;

[[noreturn]] void Fail(SANE_Status Status, const QString& What) {
    throw ESane(QStringLiteral("%1 (%2: %3)")
                    .arg(static_cast<int>(Status))
                    .arg(What, QString::fromUtf8(sane_strstatus(Status))),
                static_cast<int>(Status));
}

const SANE_Option_Descriptor* Descriptor(void* Handle, int Index) {
    return sane_get_option_descriptor(static_cast<SANE_Handle>(Handle), Index);
}

double WordToNumber(SANE_Word Word, SANE_Value_Type Type) {
    return Type == SANE_TYPE_FIXED ? SANE_UNFIX(Word) : static_cast<double>(Word);
}

SANE_Word NumberToWord(double Value, SANE_Value_Type Type) {
    return Type == SANE_TYPE_FIXED ? SANE_FIX(Value) : static_cast<SANE_Word>(std::lround(Value));
}

// Every image this layer hands back must fit a bitmap.
constexpr int64_t MaxScanBytes = int64_t(1) << 31;

struct TFrame {
    SANE_Parameters Params{};
    std::vector<uint8_t> Data;
    int Lines = 0;
};

uint8_t Sample(const uint8_t* Row, int Index, int Depth) {
    switch (Depth) {
    case 1: // SANE's one-bit images: a set bit is black
        return (Row[Index >> 3] & (0x80 >> (Index & 7))) ? 0 : 255;
    case 16: {
        uint16_t v;
        std::memcpy(&v, Row + 2 * Index, 2);
        return static_cast<uint8_t>(v >> 8);
    }
    default:
        return Row[Index];
    }
}

std::vector<TRGBQuad> GreyTable() {
    std::vector<TRGBQuad> table(256);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        table[i] = TRGBQuad{v, v, v, 0};
    }
    return table;
}

int ChannelOf(SANE_Frame Format) {
    switch (Format) {
    case SANE_FRAME_RED:
        return 2;
    case SANE_FRAME_GREEN:
        return 1;
    case SANE_FRAME_BLUE:
        return 0;
    default:
        return -1;
    }
}

// Bytes one line of Params needs at the least.
int64_t NeededBytesPerLine(const SANE_Parameters& Params) {
    const int64_t samples =
        int64_t(Params.pixels_per_line) * (Params.format == SANE_FRAME_RGB ? 3 : 1);
    return (samples * Params.depth + 7) / 8;
}

void CheckParameters(const SANE_Parameters& Params) {
    const bool depthOk = Params.depth == 1 || Params.depth == 8 || Params.depth == 16;
    const bool formatOk = Params.format == SANE_FRAME_GRAY || Params.format == SANE_FRAME_RGB ||
                          ChannelOf(Params.format) >= 0;
    if (!depthOk || !formatOk || Params.pixels_per_line <= 0 ||
        Params.bytes_per_line < NeededBytesPerLine(Params) ||
        (Params.format == SANE_FRAME_RGB && Params.depth == 1))
        throw ESane(
            QCoreApplication::translate("USane", "スキャナーが対応していない画像形式です。"));
    if (Params.pixels_per_line > MaxBitmapSide || Params.lines > MaxBitmapSide)
        throw ESane(QCoreApplication::translate(
            "USane", "取り込む画像が大きすぎます。解像度か読み取り範囲を小さくしてください。"));
}

TBitmap ToBitmap(const std::vector<TFrame>& Frames) {
    const TFrame& first = Frames.front();
    const int width = first.Params.pixels_per_line;
    int height = first.Lines;
    for (const TFrame& f : Frames)
        height = std::min(height, f.Lines);
    if (height <= 0)
        throw ESane(QCoreApplication::translate("USane", "スキャナーから画像が届きませんでした。"));
    const bool grey = Frames.size() == 1 && first.Params.format == SANE_FRAME_GRAY;
    TBitmap out(width, height, grey ? pf8bit : pf24bit);
    if (grey)
        out.SetColorTable(GreyTable());
    for (int y = 0; y < height; ++y) {
        uint8_t* dest = out.ScanLine(y);
        for (const TFrame& f : Frames) {
            const uint8_t* row = f.Data.data() + int64_t(y) * f.Params.bytes_per_line;
            const int depth = f.Params.depth;
            if (grey) {
                for (int x = 0; x < width; ++x)
                    dest[x] = Sample(row, x, depth);
            } else if (f.Params.format == SANE_FRAME_RGB) {
                for (int x = 0; x < width; ++x) {
                    dest[3 * x + 2] = Sample(row, 3 * x, depth);
                    dest[3 * x + 1] = Sample(row, 3 * x + 1, depth);
                    dest[3 * x] = Sample(row, 3 * x + 2, depth);
                }
            } else if (f.Params.format == SANE_FRAME_GRAY) {
                for (int x = 0; x < width; ++x)
                    dest[3 * x] = dest[3 * x + 1] = dest[3 * x + 2] = Sample(row, x, depth);
            } else {
                const int channel = ChannelOf(f.Params.format);
                for (int x = 0; x < width; ++x)
                    dest[3 * x + channel] = Sample(row, x, depth);
            }
        }
    }
    return out;
}

} // namespace

QString TSaneDeviceInfo::DisplayName() const {
    const QString label = QStringList{Vendor, Model}.join(QLatin1Char(' ')).trimmed();
    return label.isEmpty() ? Name : QStringLiteral("%1 (%2)").arg(label, Name);
}

TSaneLibrary::TSaneLibrary() {
    const std::lock_guard lock(LibraryMutex);
    if (LibraryUsers == 0) {
        SANE_Int version = 0;
        const SANE_Status status = sane_init(&version, nullptr);
        if (status != SANE_STATUS_GOOD)
            Fail(status, QStringLiteral("sane_init"));
    }
    ++LibraryUsers;
}

TSaneLibrary::~TSaneLibrary() {
    const std::lock_guard lock(LibraryMutex);
    if (--LibraryUsers == 0)
        sane_exit();
}

std::vector<TSaneDeviceInfo> TSaneLibrary::Devices() const {
    const SANE_Device** list = nullptr;
    const SANE_Status status = sane_get_devices(&list, SANE_FALSE);
    if (status != SANE_STATUS_GOOD)
        Fail(status, QStringLiteral("sane_get_devices"));
    std::vector<TSaneDeviceInfo> devices;
    for (int i = 0; list && list[i]; ++i) {
        const SANE_Device& d = *list[i];
        devices.push_back({QString::fromUtf8(d.name), QString::fromUtf8(d.vendor),
                           QString::fromUtf8(d.model), QString::fromUtf8(d.type)});
    }
    return devices;
}

TSaneDevice::TSaneDevice(const QString& Name) : FName(Name) {
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(Name.toUtf8().constData(), &handle);
    if (status != SANE_STATUS_GOOD)
        Fail(status, Name.isEmpty() ? QStringLiteral("sane_open") : Name);
    FHandle = handle;
}

TSaneDevice::~TSaneDevice() {
    sane_cancel(static_cast<SANE_Handle>(FHandle));
    sane_close(static_cast<SANE_Handle>(FHandle));
}

int TSaneDevice::OptionIndex(const QString& OptionName) const {
    SANE_Int count = 0;
    if (sane_control_option(static_cast<SANE_Handle>(FHandle), 0, SANE_ACTION_GET_VALUE, &count,
                            nullptr) != SANE_STATUS_GOOD)
        return -1;
    const QByteArray name = OptionName.toUtf8();
    for (int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = Descriptor(FHandle, i);
        if (d && d->name && name == d->name)
            return SANE_OPTION_IS_ACTIVE(d->cap) ? i : -1;
    }
    return -1;
}

bool TSaneDevice::HasOption(const QString& OptionName) const {
    return OptionIndex(OptionName) >= 0;
}

void TSaneDevice::Control(int Index, void* Value, bool Set, const QString& OptionName) {
    if (Index < 0)
        throw ESane(QStringLiteral("%1: %2").arg(FName, OptionName));
    SANE_Int info = 0;
    const SANE_Status status =
        sane_control_option(static_cast<SANE_Handle>(FHandle), Index,
                            Set ? SANE_ACTION_SET_VALUE : SANE_ACTION_GET_VALUE, Value, &info);
    if (status != SANE_STATUS_GOOD)
        Fail(status, OptionName);
}

QStringList TSaneDevice::StringChoices(const QString& OptionName) const {
    const int index = OptionIndex(OptionName);
    const SANE_Option_Descriptor* d = index >= 0 ? Descriptor(FHandle, index) : nullptr;
    QStringList choices;
    if (d && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = d->constraint.string_list; s && *s; ++s)
            choices << QString::fromUtf8(*s);
    return choices;
}

QString TSaneDevice::StringValue(const QString& OptionName) const {
    const int index = OptionIndex(OptionName);
    const SANE_Option_Descriptor* d = index >= 0 ? Descriptor(FHandle, index) : nullptr;
    if (!d || d->type != SANE_TYPE_STRING || d->size <= 0)
        return {};
    std::vector<char> buffer(static_cast<size_t>(d->size) + 1, '\0');
    const_cast<TSaneDevice*>(this)->Control(index, buffer.data(), false, OptionName);
    return QString::fromUtf8(buffer.data());
}

double TSaneDevice::NumberValue(const QString& OptionName) const {
    const int index = OptionIndex(OptionName);
    const SANE_Option_Descriptor* d = index >= 0 ? Descriptor(FHandle, index) : nullptr;
    if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED))
        return 0;
    std::vector<SANE_Word> words(std::max<size_t>(1, d->size / sizeof(SANE_Word)));
    const_cast<TSaneDevice*>(this)->Control(index, words.data(), false, OptionName);
    return WordToNumber(words[0], d->type);
}

TSaneRange TSaneDevice::NumberRange(const QString& OptionName) const {
    const int index = OptionIndex(OptionName);
    const SANE_Option_Descriptor* d = index >= 0 ? Descriptor(FHandle, index) : nullptr;
    TSaneRange range;
    if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED))
        return range;
    if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
        range.Min = WordToNumber(d->constraint.range->min, d->type);
        range.Max = WordToNumber(d->constraint.range->max, d->type);
        range.Step = WordToNumber(d->constraint.range->quant, d->type);
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
        const SANE_Word* list = d->constraint.word_list;
        for (int i = 1; i <= list[0]; ++i)
            range.Values.push_back(WordToNumber(list[i], d->type));
        if (!range.Values.empty()) {
            range.Min = *std::min_element(range.Values.begin(), range.Values.end());
            range.Max = *std::max_element(range.Values.begin(), range.Values.end());
        }
    }
    return range;
}

void TSaneDevice::SetString(const QString& OptionName, const QString& Value) {
    const int index = OptionIndex(OptionName);
    const SANE_Option_Descriptor* d = index >= 0 ? Descriptor(FHandle, index) : nullptr;
    const QByteArray utf8 = Value.toUtf8();
    if (!d || d->type != SANE_TYPE_STRING || utf8.size() >= d->size ||
        !SANE_OPTION_IS_SETTABLE(d->cap))
        throw ESane(QStringLiteral("%1: %2 = %3").arg(FName, OptionName, Value));
    std::vector<char> buffer(static_cast<size_t>(d->size), '\0');
    std::memcpy(buffer.data(), utf8.constData(), static_cast<size_t>(utf8.size()));
    Control(index, buffer.data(), true, OptionName);
}

void TSaneDevice::SetNumber(const QString& OptionName, double Value) {
    const int index = OptionIndex(OptionName);
    const SANE_Option_Descriptor* d = index >= 0 ? Descriptor(FHandle, index) : nullptr;
    if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
        !SANE_OPTION_IS_SETTABLE(d->cap))
        throw ESane(QStringLiteral("%1: %2 = %3").arg(FName, OptionName).arg(Value));
    std::vector<SANE_Word> words(std::max<size_t>(1, d->size / sizeof(SANE_Word)),
                                 NumberToWord(Value, d->type));
    Control(index, words.data(), true, OptionName);
}

void TSaneDevice::SetBool(const QString& OptionName, bool Value) {
    const int index = OptionIndex(OptionName);
    const SANE_Option_Descriptor* d = index >= 0 ? Descriptor(FHandle, index) : nullptr;
    if (!d || d->type != SANE_TYPE_BOOL || !SANE_OPTION_IS_SETTABLE(d->cap))
        throw ESane(QStringLiteral("%1: %2").arg(FName, OptionName));
    SANE_Bool value = Value ? SANE_TRUE : SANE_FALSE;
    Control(index, &value, true, OptionName);
}

TSaneArea TSaneDevice::MaximumArea() const {
    if (!HasOption(QStringLiteral(SANE_NAME_SCAN_BR_X)) ||
        !HasOption(QStringLiteral(SANE_NAME_SCAN_BR_Y)))
        return {};
    return {NumberRange(QStringLiteral(SANE_NAME_SCAN_TL_X)).Min,
            NumberRange(QStringLiteral(SANE_NAME_SCAN_TL_Y)).Min,
            NumberRange(QStringLiteral(SANE_NAME_SCAN_BR_X)).Max,
            NumberRange(QStringLiteral(SANE_NAME_SCAN_BR_Y)).Max};
}

TSaneArea TSaneDevice::Area() const {
    if (!HasOption(QStringLiteral(SANE_NAME_SCAN_BR_X)))
        return {};
    return {NumberValue(QStringLiteral(SANE_NAME_SCAN_TL_X)),
            NumberValue(QStringLiteral(SANE_NAME_SCAN_TL_Y)),
            NumberValue(QStringLiteral(SANE_NAME_SCAN_BR_X)),
            NumberValue(QStringLiteral(SANE_NAME_SCAN_BR_Y))};
}

void TSaneDevice::SetArea(const TSaneArea& Area) {
    if (Area.IsEmpty())
        throw ESane(QCoreApplication::translate("USane", "読み取り範囲が空です。"));
    // Corners move in an order that never makes the area empty on the way.
    SetNumber(QStringLiteral(SANE_NAME_SCAN_BR_X), Area.Right);
    SetNumber(QStringLiteral(SANE_NAME_SCAN_BR_Y), Area.Bottom);
    SetNumber(QStringLiteral(SANE_NAME_SCAN_TL_X), Area.Left);
    SetNumber(QStringLiteral(SANE_NAME_SCAN_TL_Y), Area.Top);
}

TBitmap TSaneDevice::Scan(const TSaneProgress& Progress) {
    try {
        return ScanFrames(Progress);
    } catch (...) {
        // Any failure leaves the device idle, ready for the next scan.
        sane_cancel(static_cast<SANE_Handle>(FHandle));
        throw;
    }
}

TBitmap TSaneDevice::ScanFrames(const TSaneProgress& Progress) {
    FCancelled = false;
    auto* handle = static_cast<SANE_Handle>(FHandle);
    auto failOrCancel = [&](SANE_Status Status, const QString& What) {
        const bool asked = FCancelRequested.exchange(false);
        if (Status == SANE_STATUS_CANCELLED || asked) {
            FCancelled = true;
            Fail(SANE_STATUS_CANCELLED, What);
        }
        Fail(Status, What);
    };
    std::vector<TFrame> frames;
    int64_t done = 0;
    for (;;) {
        if (FCancelRequested)
            failOrCancel(SANE_STATUS_CANCELLED, QStringLiteral("sane_start"));
        SANE_Status status = sane_start(handle);
        if (status != SANE_STATUS_GOOD)
            failOrCancel(status, QStringLiteral("sane_start"));
        TFrame frame;
        status = sane_get_parameters(handle, &frame.Params);
        if (status != SANE_STATUS_GOOD)
            failOrCancel(status, QStringLiteral("sane_get_parameters"));
        CheckParameters(frame.Params);
        const int64_t perLine = frame.Params.bytes_per_line;
        const int64_t expected = frame.Params.lines > 0 ? perLine * frame.Params.lines : 0;
        const int frameCount = ChannelOf(frame.Params.format) >= 0 ? 3 : 1;
        frame.Data.reserve(static_cast<size_t>(expected));
        std::vector<uint8_t> chunk(64 * 1024);
        for (;;) {
            SANE_Int got = 0;
            status = sane_read(handle, chunk.data(), static_cast<SANE_Int>(chunk.size()), &got);
            // Some backends end the data early when cancelled instead of saying so.
            if (status == SANE_STATUS_EOF && FCancelRequested)
                failOrCancel(SANE_STATUS_CANCELLED, QStringLiteral("sane_read"));
            if (status == SANE_STATUS_EOF)
                break;
            if (status != SANE_STATUS_GOOD)
                failOrCancel(status, QStringLiteral("sane_read"));
            if (got < 0 || got > static_cast<SANE_Int>(chunk.size()))
                Fail(SANE_STATUS_IO_ERROR, QStringLiteral("sane_read"));
            if (int64_t(frame.Data.size()) + got > MaxScanBytes ||
                int64_t(frame.Data.size()) + got > int64_t(MaxBitmapSide + 1) * perLine)
                throw ESane(QCoreApplication::translate(
                    "USane",
                    "取り込む画像が大きすぎます。解像度か読み取り範囲を小さくしてください。"));
            frame.Data.insert(frame.Data.end(), chunk.begin(), chunk.begin() + got);
            done += got;
            if (Progress)
                Progress(done, expected * frameCount);
        }
        frame.Lines = static_cast<int>(int64_t(frame.Data.size()) / perLine);
        if (frame.Params.lines > 0)
            frame.Lines = std::min(frame.Lines, frame.Params.lines);
        const bool last = frame.Params.last_frame || frame.Params.format == SANE_FRAME_GRAY ||
                          frame.Params.format == SANE_FRAME_RGB;
        if (!frames.empty() &&
            frame.Params.pixels_per_line != frames.front().Params.pixels_per_line)
            throw ESane(
                QCoreApplication::translate("USane", "スキャナーが対応していない画像形式です。"));
        frames.push_back(std::move(frame));
        if (last || frames.size() >= 3)
            break;
    }
    return ToBitmap(frames);
}

void TSaneDevice::Finish() {
    FCancelRequested = false;
    sane_cancel(static_cast<SANE_Handle>(FHandle));
}

void TSaneDevice::Cancel() {
    FCancelRequested = true;
    sane_cancel(static_cast<SANE_Handle>(FHandle));
}
