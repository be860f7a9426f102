#include "FTwain.h"
#include "SaneTestSupport.h"
#include "UPictureEx.h"
#include "USafetyBitmap.h"
#include "UStreams.h"
#include "UTwain.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Runs the event loop until Done or a time limit.
bool WaitFor(const std::function<bool()>& Done, int Milliseconds = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!Done() && timer.elapsed() < Milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Done();
}

class TwainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(SaneTestConfigDir().isEmpty());
        ResetTestDevices();
        Manager().LogTarget = &FLog;
        Manager().SetSourceName(QStringLiteral("test:0"));
        Manager().ChooseSource = nullptr;
        Manager().ShowSourceSettings = [this](TSaneDevice& Source, QWidget*) {
            Source.SetNumber(QStringLiteral("resolution"), 40);
            if (Settings)
                Settings(Source);
            return ScanAnswer;
        };
    }
    void TearDown() override {
        Manager().Unload();
        Manager().LogTarget = nullptr;
        Manager().ShowSourceSettings = nullptr;
        EXPECT_FALSE(Manager().SourceOpen());
    }
    static TTwainManager& Manager() { return TTwainManager::Instance(); }

    // Acquires with Twain until the source is done; the images that came, as bitmaps.
    std::vector<TBitmap> Acquire(TTwain& Twain, int* Cancels = nullptr,
                                 QStringList* Files = nullptr) {
        std::vector<TBitmap> images;
        bool disabled = false;
        Twain.OnTransferFromStream = [&](TStream* Stream, bool Canceled) {
            if (Canceled) {
                if (Cancels)
                    ++*Cancels;
                return;
            }
            if (const auto* file = dynamic_cast<const TFileStream*>(Stream); file && Files)
                *Files << file->FileName();
            TSafetyBitmap bitmap;
            bitmap.LoadFromStream(*Stream);
            images.push_back(bitmap.Bitmap());
        };
        Twain.OnDisableSource = [&] { disabled = true; };
        Twain.Acquire(nullptr);
        EXPECT_TRUE(WaitFor([&] { return disabled; }));
        return images;
    }

    QStringList FLog;
    std::function<void(TSaneDevice&)> Settings;
    bool ScanAnswer = true;
};

TEST_F(TwainTest, AcquiresOneImageThroughTheWholeSequence) {
    Settings = [](TSaneDevice& Source) {
        Source.SetString(QStringLiteral("mode"), QStringLiteral("Color"));
        Source.SetString(QStringLiteral("test-picture"), QStringLiteral("Solid white"));
    };
    TTwain twain;
    QStringList files;
    const std::vector<TBitmap> images = Acquire(twain, nullptr, &files);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].Width(), static_cast<int>(80 / 25.4 * 40));
    EXPECT_EQ(images[0].Height(), static_cast<int>(100 / 25.4 * 40));
    EXPECT_EQ(images[0].GetPixel(5, 5), clWhite);
    EXPECT_FALSE(twain.LastError());
    EXPECT_FALSE(Manager().SourceOpen()) << "AutoClose closes the source";
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(QFileInfo(files[0]).fileName().startsWith(QLatin1String("mtf")));
    EXPECT_FALSE(QFileInfo::exists(files[0])) << "the transfer file is removed";
    EXPECT_EQ(FLog, (QStringList{"(0000)OpenDSM", "(0000)OpenSource", "(0000)EnableSource",
                                 "(0006)NativeTransfer", "(0000)ResetTransfer",
                                 "(0000)DisableSource", "(0000)CloseSource"}));
}

TEST_F(TwainTest, ClosingTheSettingsWindowEndsWithoutAnImage) {
    ScanAnswer = false;
    TTwain twain;
    EXPECT_TRUE(Acquire(twain).empty());
    EXPECT_FALSE(twain.LastError());
    EXPECT_FALSE(Manager().SourceOpen());
}

TEST_F(TwainTest, BackendErrorEndsTheAcquisitionWithTheScannerError) {
    Settings = [](TSaneDevice& Source) {
        Source.SetString(QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_JAMMED"));
    };
    TTwain twain;
    EXPECT_TRUE(Acquire(twain).empty());
    ASSERT_TRUE(twain.LastError());
    try {
        std::rethrow_exception(twain.LastError());
    } catch (const ETwain& E) {
        EXPECT_TRUE(E.Message.startsWith(QLatin1String("TWAIN ERROR : 6"))) << E.what();
    }
    EXPECT_FALSE(Manager().SourceOpen());
}

TEST_F(TwainTest, AMissingSourceIsReportedNotHung) {
    Manager().SetSourceName(QStringLiteral("test:7"));
    TTwain twain;
    EXPECT_TRUE(Acquire(twain).empty());
    ASSERT_TRUE(twain.LastError());
    EXPECT_THROW(std::rethrow_exception(twain.LastError()), ETwain);
    EXPECT_TRUE(FLog.contains(QStringLiteral("(0001)OpenSource"))) << FLog.join(' ').toStdString();
}

// A document feeder holds ten pages: with multiple transfers all of them come, otherwise
// only the first and the batch is ended.
TEST_F(TwainTest, FeederBatchesFollowMultipleTransfer) {
    Settings = [](TSaneDevice& Source) {
        Source.SetNumber(QStringLiteral("resolution"), 10);
        Source.SetString(QStringLiteral("source"), QStringLiteral("Automatic Document Feeder"));
    };
    for (const bool multiple : {false, true}) {
        TTwain twain;
        twain.MultipleTransfer = multiple;
        EXPECT_EQ(Acquire(twain).size(), multiple ? 10u : 1u);
        EXPECT_FALSE(twain.LastError()) << "an emptied feeder ends the batch quietly";
        Manager().Unload();
    }
}

TEST_F(TwainTest, CloseDuringTheScanCancelsIt) {
    Settings = [](TSaneDevice& Source) {
        Source.SetNumber(QStringLiteral("resolution"), 300);
        Source.SetBool(QStringLiteral("read-delay"), true);
        Source.SetNumber(QStringLiteral("read-delay-duration"), 20000);
        Source.SetBool(QStringLiteral("read-limit"), true);
        Source.SetNumber(QStringLiteral("read-limit-size"), 4096);
    };
    TTwain twain;
    bool disabled = false;
    bool progressed = false;
    int images = 0;
    QObject::connect(&twain, &TTwain::Progress, [&] { progressed = true; });
    twain.OnTransferFromStream = [&](TStream* Stream, bool) { images += Stream != nullptr; };
    twain.OnDisableSource = [&] { disabled = true; };
    twain.Acquire(nullptr);
    ASSERT_TRUE(WaitFor([&] { return progressed; }));
    EXPECT_TRUE(Manager().InCall());
    Manager().CloseSource();
    EXPECT_TRUE(twain.CloseRequested());
    EXPECT_TRUE(WaitFor([&] { return disabled; }, 10000));
    EXPECT_EQ(images, 0);
    EXPECT_FALSE(Manager().SourceOpen());
    EXPECT_FALSE(twain.LastError());
}

TEST_F(TwainTest, SelectionAndIdentity) {
    Manager().ChooseSource = [](QWidget*, const std::vector<TSaneDeviceInfo>& Sources,
                                const QString& Current) {
        EXPECT_EQ(Current, QStringLiteral("test:0"));
        for (size_t i = 0; i < Sources.size(); ++i)
            if (Sources[i].Name == QLatin1String("test:1"))
                return static_cast<int>(i);
        return -1;
    };
    TTWainSelectDialog select;
    EXPECT_TRUE(select.Execute(nullptr));
    EXPECT_EQ(Manager().SourceName(), QStringLiteral("test:1"));
    Manager().ChooseSource = [](QWidget*, const std::vector<TSaneDeviceInfo>&, const QString&) {
        return -1;
    };
    EXPECT_FALSE(select.Execute(nullptr));
    EXPECT_EQ(Manager().SourceName(), QStringLiteral("test:1"))
        << "a cancelled choice keeps the old";
    EXPECT_TRUE(FLog.contains(QStringLiteral("(0003)SelectSource")));

    EXPECT_EQ(Manager().AppIdentity().Country, 81);
    EXPECT_EQ(Manager().AppIdentity().Manufacturer, QStringLiteral("Ostrivan"));
    if (Manager().AppIdentity().ProductName.isEmpty())
        Manager().SetProductName(QStringLiteral("Vantomi"));
    EXPECT_THROW(Manager().SetProductName(QStringLiteral("Other")), ETwain);
}

// The acquisition window: a picture comes and the window ends with OK; its cancel button
// stops a running scan and the window ends without a picture.
TEST_F(TwainTest, AcquisitionWindowKeepsThePictureOrCancels) {
    {
        TfrmTwain form;
        EXPECT_EQ(form.windowTitle(), QStringLiteral("TWAINからの取込み"));
        EXPECT_TRUE(form.Execute());
        EXPECT_EQ(form.Picture().Width(), static_cast<int>(80 / 25.4 * 40));
    }
    Settings = [](TSaneDevice& Source) {
        Source.SetNumber(QStringLiteral("resolution"), 300);
        Source.SetBool(QStringLiteral("read-delay"), true);
        Source.SetNumber(QStringLiteral("read-delay-duration"), 20000);
    };
    TfrmTwain form;
    QObject::connect(&form.Twain(), &TTwain::Progress, &form, [&form] {
        form.findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
    });
    EXPECT_FALSE(form.Execute());
    EXPECT_EQ(form.Picture().Graphic(), nullptr);
}

// The settings window gives its values to the device; a preview scans the whole glass and
// leaves the user's settings as they were.
TEST_F(TwainTest, SettingsWindowAppliesValuesAndPreviews) {
    TSaneDevice device(QStringLiteral("test:0"));
    TfrmTwainSource form(device);
    form.ModeBox()->setCurrentIndex(form.ModeBox()->findData(QStringLiteral("Color")));
    form.ResolutionBox()->setValue(120);
    form.SetAreaValue({10, 20, 60, 90});
    ASSERT_TRUE(form.Apply());
    EXPECT_EQ(device.StringValue(QStringLiteral("mode")), QStringLiteral("Color"));
    EXPECT_EQ(device.NumberValue(QStringLiteral("resolution")), 120);
    EXPECT_EQ(device.Area().Left, 10);
    EXPECT_EQ(device.Area().Bottom, 90);

    ASSERT_TRUE(form.Preview());
    EXPECT_EQ(form.PreviewImage().width(), static_cast<int>(200 / 25.4 * 50));
    EXPECT_EQ(device.NumberValue(QStringLiteral("resolution")), 120);
    EXPECT_EQ(device.Area().Right, 60);
}

} // namespace
