#include "SaneTestSupport.h"
#include "USane.h"

#include <QProcess>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>

namespace {

class SaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(SaneTestConfigDir().isEmpty());
        ResetTestDevices();
    }
};

// A PNM file as scanimage writes it: P4 (1 bit, set = black), P5 (grey) or P6 (RGB), with
// 8- or 16-bit (big-endian) samples; comment lines allowed in the header.
struct TPnm {
    char Kind = 0;
    int Width = 0;
    int Height = 0;
    int MaxValue = 1;
    QByteArray Pixels;

    static TPnm Parse(const QByteArray& Data) {
        TPnm pnm;
        int pos = 0;
        auto token = [&]() {
            for (;;) {
                while (pos < Data.size() && isspace(static_cast<unsigned char>(Data[pos])))
                    ++pos;
                if (pos < Data.size() && Data[pos] == '#') {
                    while (pos < Data.size() && Data[pos] != '\n')
                        ++pos;
                    continue;
                }
                break;
            }
            const int start = pos;
            while (pos < Data.size() && !isspace(static_cast<unsigned char>(Data[pos])))
                ++pos;
            return Data.mid(start, pos - start);
        };
        const QByteArray magic = token();
        pnm.Kind = magic.size() == 2 ? magic[1] : 0;
        pnm.Width = token().toInt();
        pnm.Height = token().toInt();
        if (pnm.Kind != '4')
            pnm.MaxValue = token().toInt();
        pnm.Pixels = Data.mid(pos + 1);
        return pnm;
    }
    int Channels() const { return Kind == '6' ? 3 : 1; }
    // Sample C of pixel (X, Y) reduced to 8 bits as the scanner layer reduces it.
    int Sample(int X, int Y, int C) const {
        if (Kind == '4') {
            const int rowBytes = (Width + 7) / 8;
            const auto byte = static_cast<unsigned char>(Pixels[Y * rowBytes + X / 8]);
            return (byte & (0x80 >> (X % 8))) ? 0 : 255;
        }
        const int index = (Y * Width + X) * Channels() + C;
        if (MaxValue > 255)
            return static_cast<unsigned char>(Pixels[2 * index]); // the high byte
        return static_cast<unsigned char>(Pixels[index]);
    }
};

struct TScanCase {
    const char* Mode;
    int Depth;
    int Dpi;
    const char* Picture;
    bool ThreePass;
};

void Configure(TSaneDevice& Device, const TScanCase& Case) {
    Device.SetString(QStringLiteral("mode"), QString::fromLatin1(Case.Mode));
    Device.SetNumber(QStringLiteral("depth"), Case.Depth);
    Device.SetNumber(QStringLiteral("resolution"), Case.Dpi);
    Device.SetString(QStringLiteral("test-picture"), QString::fromLatin1(Case.Picture));
    if (Case.ThreePass)
        Device.SetBool(QStringLiteral("three-pass"), true);
}

// The same scan by SANE's own command-line frontend, as an independent reading.
TPnm ScanWithFrontend(const TScanCase& Case) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("scan.pnm"));
    QStringList args{QStringLiteral("-d"),
                     QStringLiteral("test:0"),
                     QStringLiteral("--format=pnm"),
                     QStringLiteral("-o"),
                     out,
                     QStringLiteral("--mode"),
                     QString::fromLatin1(Case.Mode),
                     QStringLiteral("--depth"),
                     QString::number(Case.Depth),
                     QStringLiteral("--resolution"),
                     QString::number(Case.Dpi),
                     QStringLiteral("--test-picture"),
                     QString::fromLatin1(Case.Picture)};
    if (Case.ThreePass)
        args << QStringLiteral("--three-pass=yes");
    QProcess process;
    process.start(QStringLiteral("scanimage"), args);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    QFile file(out);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return TPnm::Parse(file.readAll());
}

TEST_F(SaneTest, ListsTheTestDevices) {
    TSaneLibrary library;
    QStringList names;
    for (const TSaneDeviceInfo& device : library.Devices())
        names << device.Name;
    EXPECT_TRUE(names.contains(QStringLiteral("test:0"))) << names.join(',').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("test:1")));
}

// Every supported form of image data read by this layer equals what SANE's own frontend
// writes for the same scan: colour and grey at several resolutions, 16-bit and 1-bit
// samples, and colour sent as three separate frames.
TEST_F(SaneTest, ScansEqualTheFrontendsReading) {
    const TScanCase cases[] = {
        {"Color", 8, 50, "Color pattern", false}, {"Color", 8, 100, "Color pattern", false},
        {"Gray", 8, 50, "Color pattern", false},  {"Gray", 8, 75, "Grid", false},
        {"Gray", 16, 50, "Color pattern", false}, {"Color", 16, 40, "Color pattern", false},
        {"Gray", 1, 50, "Grid", false},           {"Color", 8, 50, "Color pattern", true},
    };
    for (const TScanCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Mode << " depth " << c.Depth << " at " << c.Dpi
                                        << " dpi " << c.Picture << (c.ThreePass ? " 3-pass" : ""));
        TSaneDevice device(QStringLiteral("test:0"));
        Configure(device, c);
        const TBitmap image = device.Scan();
        device.Finish();
        const TPnm reference = ScanWithFrontend(c);
        ASSERT_EQ(image.Width(), reference.Width);
        ASSERT_EQ(image.Height(), reference.Height);
        const bool colour = QByteArray(c.Mode) == "Color";
        EXPECT_EQ(image.PixelFormat(), colour ? pf24bit : pf8bit);
        int mismatches = 0;
        for (int y = 0; y < image.Height(); ++y) {
            const uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < image.Width(); ++x) {
                if (colour) {
                    mismatches += row[3 * x + 2] != reference.Sample(x, y, 0);
                    mismatches += row[3 * x + 1] != reference.Sample(x, y, 1);
                    mismatches += row[3 * x] != reference.Sample(x, y, 2);
                } else {
                    mismatches += row[x] != reference.Sample(x, y, 0);
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

// The grid picture has 10 mm squares, the top-left one white: its pixels are known from the
// resolution alone.
TEST_F(SaneTest, GridSquaresLieWhereTheResolutionPutsThem) {
    for (const int dpi : {50, 100}) {
        TSaneDevice device(QStringLiteral("test:1"));
        Configure(device, {"Gray", 8, dpi, "Grid", false});
        const TBitmap image = device.Scan();
        const double square = 10 / 25.4 * dpi;
        EXPECT_EQ(image.Width(), static_cast<int>(80 / 25.4 * dpi));
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                const int x = static_cast<int>((i + 0.5) * square);
                const int y = static_cast<int>((j + 0.5) * square);
                const int expected = (i + j) % 2 ? 0 : 255;
                EXPECT_EQ(image.ScanLine(y)[x], expected)
                    << dpi << " dpi, square " << i << "," << j;
            }
    }
}

TEST_F(SaneTest, CancelStopsARunningScanAndTheDeviceScansAgain) {
    TSaneDevice device(QStringLiteral("test:0"));
    Configure(device, {"Color", 8, 300, "Solid white", false});
    device.SetBool(QStringLiteral("read-delay"), true);
    device.SetNumber(QStringLiteral("read-delay-duration"), 20000);
    device.SetBool(QStringLiteral("read-limit"), true);
    device.SetNumber(QStringLiteral("read-limit-size"), 4096);
    std::atomic<int64_t> progressCalls{0};
    std::atomic<bool> threw{false};
    std::thread scan([&] {
        try {
            device.Scan([&](int64_t, int64_t) { ++progressCalls; });
        } catch (const ESane&) {
            threw = true;
        }
    });
    while (progressCalls < 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    device.Cancel();
    scan.join();
    EXPECT_TRUE(threw);
    EXPECT_TRUE(device.Cancelled());

    device.SetBool(QStringLiteral("read-delay"), false);
    device.SetNumber(QStringLiteral("resolution"), 20);
    const TBitmap again = device.Scan();
    EXPECT_FALSE(device.Cancelled());
    EXPECT_EQ(again.GetPixel(3, 3), clWhite);
}

TEST_F(SaneTest, BackendFailuresRaiseWithTheirStatus) {
    TSaneDevice device(QStringLiteral("test:0"));
    device.SetNumber(QStringLiteral("resolution"), 30);
    device.SetString(QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_IO_ERROR"));
    try {
        device.Scan();
        FAIL() << "a failing read must raise";
    } catch (const ESane& E) {
        EXPECT_EQ(E.Status, 9);
        EXPECT_FALSE(device.Cancelled());
        EXPECT_TRUE(E.Message.contains(QLatin1String("sane_read"))) << E.what();
    }
    device.SetString(QStringLiteral("read-return-value"), QStringLiteral("Default"));
    EXPECT_EQ(device.Scan().Width(), static_cast<int>(80 / 25.4 * 30));
}

// Backends cancel their reader threads; asynchronously cancelled, a reader caught inside
// malloc kept the allocator's lock and the next scan or the program's exit waited for ever.
// Backends are loaded later and bind through the global scope, as dlsym(RTLD_DEFAULT) does:
// there they find the program's override, which keeps cancellation deferred.
TEST_F(SaneTest, BackendReaderThreadsAreNeverCancelledAsynchronously) {
    using TSetCancelType = int (*)(int, int*);
    const auto asBackendsSeeIt =
        reinterpret_cast<TSetCancelType>(dlsym(RTLD_DEFAULT, "pthread_setcanceltype"));
    const auto library =
        reinterpret_cast<TSetCancelType>(dlsym(RTLD_NEXT, "pthread_setcanceltype"));
    ASSERT_NE(asBackendsSeeIt, nullptr);
    ASSERT_NE(library, nullptr);
    ASSERT_NE(asBackendsSeeIt, library) << "the executable must export its override";
    int asked = -1;
    int inEffect = -1;
    std::thread reader([&] {
        asked = asBackendsSeeIt(PTHREAD_CANCEL_ASYNCHRONOUS, nullptr);
        library(PTHREAD_CANCEL_DEFERRED, &inEffect);
    });
    reader.join();
    EXPECT_EQ(asked, 0) << "the backend is told it succeeded";
    EXPECT_EQ(inEffect, PTHREAD_CANCEL_DEFERRED);
    EXPECT_EQ(asBackendsSeeIt(7, nullptr), EINVAL);

    // A read that fails at once cancels a reader that has only just started, the moment
    // that used to catch it inside the allocator; every following allocation must go on.
    TSaneDevice device(QStringLiteral("test:0"));
    device.SetNumber(QStringLiteral("resolution"), 40);
    device.SetString(QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_JAMMED"));
    for (int i = 0; i < 200; ++i) {
        EXPECT_THROW(device.Scan(), ESane);
        std::thread([] {
            std::vector<uint8_t> buffer(64 * 1024);
            *static_cast<volatile uint8_t*>(buffer.data()) = 1;
        }).join();
    }
}

TEST_F(SaneTest, OptionErrorsAreRefusedClearly) {
    EXPECT_THROW(TSaneDevice(QStringLiteral("test:9")), ESane);
    TSaneDevice device(QStringLiteral("test:0"));
    EXPECT_THROW(device.SetString(QStringLiteral("mode"), QStringLiteral("Infrared")), ESane);
    EXPECT_THROW(device.SetNumber(QStringLiteral("no-such-option"), 1), ESane);
    EXPECT_THROW(device.SetArea({10, 10, 5, 50}), ESane);
    EXPECT_FALSE(device.HasOption(QStringLiteral("three-pass"))) << "inactive in grey mode";
    EXPECT_EQ(device.Modes(), (QStringList{QStringLiteral("Gray"), QStringLiteral("Color")}));
    const TSaneRange dpi = device.NumberRange(QStringLiteral("resolution"));
    EXPECT_EQ(dpi.Min, 1);
    EXPECT_EQ(dpi.Max, 1200);
    const TSaneArea max = device.MaximumArea();
    EXPECT_EQ(max.Right, 200);
    device.SetArea({5, 10, 25, 40});
    const TSaneArea area = device.Area();
    EXPECT_EQ(area.Left, 5);
    EXPECT_EQ(area.Bottom, 40);
    device.SetNumber(QStringLiteral("resolution"), 254);
    EXPECT_EQ(device.Scan().Width(), 200) << "20 mm at 254 dpi";
}

// A hand scanner does not know the height in advance: the image ends where the data ends.
TEST_F(SaneTest, UnknownHeightEndsWithTheData) {
    TSaneDevice device(QStringLiteral("test:0"));
    device.SetNumber(QStringLiteral("resolution"), 30);
    device.SetBool(QStringLiteral("hand-scanner"), true);
    const TBitmap image = device.Scan();
    EXPECT_EQ(image.Width(), static_cast<int>(110 / 25.4 * 30));
    EXPECT_GT(image.Height(), 0);
}

} // namespace
