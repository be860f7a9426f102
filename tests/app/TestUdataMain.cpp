// Start-up, idle logic and shutdown of the data module, with a stand-in main window and a
// private program folder, settings store and user folder for every test.

#include "DataMainTestSupport.h"

#include "FMessage.h"
#include "TestSupport.h"
#include "UAppClasses.h"
#include "UAppFolders.h"
#include "UCalSchedule.h"
#include "UDayTable.h"
#include "UHolidays.h"
#include "UImageCache.h"
#include "UPaperLibrary.h"
#include "UPictureEx.h"
#include "UPluginList.h"
#include "UPropStream.h"
#include "UStreams.h"
#include "UStyleList.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString SAlreadyRun = QStringLiteral("Vantomi2005は、すでに実行中です");

class DataMain : public TDataMainTest {};

// The schedule file of the test's user folder.
QString SchedulePath(const TDataMainTest& T) {
    return T.UserFolder() + QStringLiteral("マイスケジュール.sch");
}

void AddScheduleItem(TCalSchedule& Schedule, const QString& Text) {
    auto item = std::make_unique<TCalScheduleItem>();
    item->SetDate(2026, 5, 5);
    item->SetDescription(Text);
    Schedule.AddItem(std::move(item));
}

} // namespace

TEST_F(DataMain, StartsAndTheIdleLogicLeadsToTheStartupSelection) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    EXPECT_TRUE(dm->Ready());
    ASSERT_NE(Form(), nullptr);
    EXPECT_FALSE(Form()->Window.isEnabled()) << "created disabled";
    EXPECT_TRUE(Form()->Window.isVisible());
    EXPECT_TRUE(Boxes.empty());

    // Everything the windows use is there.
    ASSERT_NE(dm->DefaultPaper(), nullptr);
    EXPECT_EQ(dm->DefaultPaper()->PaperName(), QStringLiteral("A4"));
    EXPECT_EQ(dm->DefaultPaper()->Width(), 2100);
    EXPECT_EQ(dm->DefaultPaper()->Height(), 2970);
    EXPECT_EQ(dm->DefaultPaper()->GroupName(), QStringLiteral("定型"));
    EXPECT_TRUE(dm->DefaultPaper()->ReadOnly());
    EXPECT_FALSE(dm->DefaultPaper()->Landscape());
    ASSERT_EQ(dm->DefaultPaper()->GetFaceCount(), 1);
    EXPECT_EQ(dm->DefaultPaper()->GetFaceRect(0), TRect(0, 0, 2100, 2970));
    EXPECT_EQ(dm->DefaultPaper()->GetFaceShape(0), fsRect);
    EXPECT_EQ(dm->DefaultPaper()->GetFaceMargin(0), 0);
    EXPECT_EQ(dm->PaperLibrary()->GetName(0), QStringLiteral("A4"));
    EXPECT_NE(MoonAgeTable(), nullptr);
    EXPECT_NE(W6Z24Table(), nullptr);
    EXPECT_NE(HolidayTable(), nullptr);
    EXPECT_NE(dm->Schedule(), nullptr);
    EXPECT_TRUE(dm->ScheduleLoaded());
    ASSERT_NE(dm->ImageCache(), nullptr);
    EXPECT_TRUE(dm->ImageCache()->IsOpen());
    EXPECT_NE(GetPurposeValidator(), nullptr);
    ASSERT_NE(dm->StampList(), nullptr);
    EXPECT_TRUE(dm->StampList()->IsEmpty()) << "no list in the program folder: no choices";
    EXPECT_TRUE(dm->ScheduleStyleList()->IsEmpty());
    EXPECT_TRUE(dm->YearMonthList()->IsEmpty());

    // First idle: a blank document, nothing opened, the window still waits.
    dm->GlobalNotify1Idle();
    EXPECT_EQ(Form()->NewDocuments, 1);
    EXPECT_TRUE(Form()->Opened.isEmpty());
    EXPECT_TRUE(dm->FirstIdleDone());
    EXPECT_TRUE(dm->StartupHandled());
    EXPECT_FALSE(dm->DocumentShown());
    EXPECT_FALSE(Form()->Window.isEnabled());

    // While the splash is up, idle does nothing.
    dm->GlobalNotify1Idle();
    EXPECT_EQ(Form()->Selections, 0);
    EXPECT_FALSE(Form()->Window.isEnabled());

    // Splash closed: the selection runs once and the window is enabled.
    Form()->Splash = true;
    dm->GlobalNotify1Idle();
    dm->GlobalNotify1Idle();
    EXPECT_EQ(Form()->Selections, 1);
    EXPECT_TRUE(dm->DocumentShown());
    EXPECT_TRUE(Form()->Window.isEnabled());
    EXPECT_EQ(Form()->NewDocuments, 1);

    dm.reset();
    EXPECT_EQ(GetPurposeValidator(), nullptr) << "uninstalled at shutdown";
    EXPECT_EQ(HolidayTable(), nullptr) << "tables freed at shutdown";
    EXPECT_EQ(MoonAgeTable(), nullptr);
}

TEST_F(DataMain, TheFirstArgumentOpensAFileOnlyWhenItExistsAndOpens) {
    const QString existing = ProgramFolder() + QStringLiteral("doc.vtd");
    WriteFile(existing, "x");
    const struct {
        const char* Case;
        QStringList Arguments;
        bool Opens;
        bool ExpectShown;
        int ExpectOpenCalls;
    } rows[] = {
        {"existing file that opens", {existing}, true, true, 1},
        {"existing file that fails to open", {existing}, false, false, 1},
        {"missing file", {ProgramFolder() + QStringLiteral("none.vtd")}, true, false, 0},
        {"empty argument", {QString()}, true, false, 0},
        {"no argument", {}, true, false, 0},
    };
    for (const auto& row : rows) {
        Options().Arguments = row.Arguments;
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create()) << row.Case;
        Form()->OpenAnswer = row.Opens;
        dm->GlobalNotify1Idle();
        EXPECT_EQ(Form()->NewDocuments, 1) << row.Case;
        EXPECT_EQ(Form()->Opened.size(), row.ExpectOpenCalls) << row.Case;
        EXPECT_EQ(dm->DocumentShown(), row.ExpectShown) << row.Case;
        EXPECT_EQ(Form()->Window.isEnabled(), row.ExpectShown) << row.Case;
        Form()->Splash = true;
        dm->GlobalNotify1Idle();
        EXPECT_EQ(Form()->Selections, row.ExpectShown ? 0 : 1) << row.Case;
        EXPECT_TRUE(Form()->Window.isEnabled()) << row.Case;
    }
}

TEST_F(DataMain, AFailingFirstIdleStillLeadsToAnEnabledWindow) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    Form()->ThrowOnNew = true;
    dm->GlobalNotify1Idle();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.contains(QStringLiteral("no paper"))) << Boxes[0].Text.toStdString();
    EXPECT_TRUE(dm->StartupHandled());
    Form()->Splash = true;
    dm->GlobalNotify1Idle();
    EXPECT_EQ(Form()->Selections, 1);
    EXPECT_TRUE(Form()->Window.isEnabled());
}

TEST_F(DataMain, AMissingOrReadOnlyTableStopsStartUpWithItsOwnMessage) {
    const struct {
        const char* File;
        bool Remove; // else made read-only
        QString Message;
    } rows[] = {
        {"MoonAge.tbl", true,
         QStringLiteral("アプリケーションに必要なファイル「MoonAge.tbl」が開けませんでした")},
        {"W6Z24.tbl", true,
         QStringLiteral("アプリケーションに必要なファイル「W6Z24.tbl」が開けませんでした")},
        {"Holiday.tbl", true,
         QStringLiteral("アプリケーションに必要なファイル「Holiday.tbl」が開けませんでした")},
        {"MoonAge.tbl", false,
         QStringLiteral("実行に必要なファイル「MoonAge.tbl」が読み取り専用になっています")},
        {"Holiday.tbl", false,
         QStringLiteral("実行に必要なファイル「Holiday.tbl」が読み取り専用になっています")},
    };
    for (const auto& row : rows) {
        CopyTables();
        const QString path = ProgramFolder() + QString::fromLatin1(row.File);
        if (row.Remove)
            ASSERT_TRUE(QFile::remove(path));
        else
            ASSERT_TRUE(
                QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser));
        Boxes.clear();
        auto dm = MakeDataMain();
        EXPECT_FALSE(dm->Create()) << row.File;
        EXPECT_FALSE(dm->Ready());
        EXPECT_EQ(Form(), nullptr) << "no main window after a failed load";
        ASSERT_EQ(Boxes.size(), 1u) << row.File;
        EXPECT_EQ(Boxes[0].Text, row.Message);
        EXPECT_EQ(Boxes[0].Captions, QStringList{BitBtnCaption(bkOK)});
        dm.reset(); // shutting down after a failed start is clean
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

TEST_F(DataMain, ATableTheReaderRefusesIsReportedWithTheReadersOwnMessage) {
    const QString path = ProgramFolder() + QStringLiteral("Holiday.tbl");
    try {
        LoadRequiredTable(path, [](const QString&) -> QString {
            throw EFOpenError(
                QStringLiteral("ファイル Holiday.tbl を開けません (Permission denied)"));
        });
        ADD_FAILURE() << "no error";
    } catch (const EFileError& E) {
        EXPECT_EQ(E.Message,
                  QStringLiteral("ファイル Holiday.tbl を開けません (Permission denied)"));
    }
    // A note on damage the reader got past does not stop start-up; it is answered.
    QString note;
    EXPECT_NO_THROW(
        note = LoadRequiredTable(path, [](const QString&) { return QStringLiteral("short"); }));
    EXPECT_EQ(note, QStringLiteral("short"));
}

TEST_F(DataMain, AnUnreadableTableStopsStartUpWithTheReadersMessage) {
    const QString path = ProgramFolder() + QStringLiteral("Holiday.tbl");
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser reads any file: no unreadable table to start with";
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    auto dm = MakeDataMain();
    EXPECT_FALSE(dm->Create());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_FALSE(Boxes[0].Text.contains(QStringLiteral("が開けませんでした")))
        << Boxes[0].Text.toStdString();
    EXPECT_TRUE(Boxes[0].Text.contains(QStringLiteral("Holiday.tbl")));
}

TEST_F(DataMain, ADamagedPaperLibraryIsToldAtStartUpAndTheProgramGoesOn) {
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const struct {
        QString Path;
        QString Name;
    } rows[] = {
        {ProgramFolder() + exe + QStringLiteral(".ppr"), exe + QStringLiteral(".ppr")},
        {UserFolder() + QStringLiteral("UserPaper.ppr"), QStringLiteral("UserPaper.ppr")},
    };
    ASSERT_TRUE(QDir().mkpath(UserFolder()));
    for (const auto& row : rows) {
        const QByteArray damaged("\xD0\xCF\x11\xE0 not a paper library");
        WriteFile(row.Path, damaged);
        Boxes.clear();
        {
            auto dm = MakeDataMain();
            ASSERT_TRUE(dm->Create()) << row.Name.toStdString();
            ASSERT_EQ(Boxes.size(), 1u) << row.Name.toStdString();
            EXPECT_TRUE(
                Boxes[0].Text.startsWith(QStringLiteral("用紙の一覧の一部を読み込めませんでした")))
                << Boxes[0].Text.toStdString();
            EXPECT_TRUE(Boxes[0].Text.contains(row.Name)) << Boxes[0].Text.toStdString();
            EXPECT_EQ(Boxes[0].Captions, QStringList{BitBtnCaption(bkOK)});
            ASSERT_NE(dm->PaperLibrary(), nullptr);
            EXPECT_GE(dm->PaperLibrary()->GetCount(), 1) << "the built-in paper remains";
        }
        EXPECT_EQ(FileBytes(row.Path), damaged) << "the damaged library is left as it was";
        ASSERT_TRUE(QFile::remove(row.Path));
    }
}

TEST_F(DataMain, TheScheduleIsSavedAtShutdownOnlyWhenItLoadedAndChanged) {
    // No file and no change: nothing is written.
    {
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create());
    }
    EXPECT_FALSE(QFile::exists(SchedulePath(*this)));

    // Changed: written, and read back next time.
    {
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create());
        AddScheduleItem(*dm->Schedule(), QStringLiteral("こどもの日"));
    }
    ASSERT_TRUE(QFile::exists(SchedulePath(*this)));
    {
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create());
        ASSERT_EQ(dm->Schedule()->Count(), 1);
        EXPECT_EQ(dm->Schedule()->Items(0)->Description(), QStringLiteral("こどもの日"));
    }

    // Loaded and unchanged: the file is left alone.
    const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-3);
    {
        QFile f(SchedulePath(*this));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    {
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create());
        EXPECT_FALSE(dm->SaveScheduleIfChanged());
    }
    EXPECT_EQ(QFileInfo(SchedulePath(*this)).lastModified().toSecsSinceEpoch(),
              old.toSecsSinceEpoch());
}

TEST_F(DataMain, AnUnreadableScheduleIsReportedAndNeverOverwritten) {
    const QByteArray damaged("TPF0 this is not a schedule at all");
    ASSERT_TRUE(QDir().mkpath(UserFolder()));
    WriteFile(SchedulePath(*this), damaged);
    {
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create()) << "a damaged schedule does not keep the program from starting";
        EXPECT_FALSE(dm->ScheduleLoaded());
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_TRUE(Boxes[0].Text.startsWith(
            QStringLiteral("スケジュールファイル「マイスケジュール.sch」を読み込めませんでした")))
            << Boxes[0].Text.toStdString();
        AddScheduleItem(*dm->Schedule(), QStringLiteral("新しい予定"));
        EXPECT_FALSE(dm->SaveScheduleIfChanged());
    }
    EXPECT_EQ(FileBytes(SchedulePath(*this)), damaged);
}

TEST_F(DataMain, WhatTheMainWindowUsesExistsBeforeItIsCreated) {
    std::vector<QString> order;
    TdataMain* self = nullptr;
    Options().ColorGridFactory = [&] {
        order.push_back(QStringLiteral("colour grid"));
        return std::make_unique<QWidget>();
    };
    FactoryCheck = [&] {
        order.push_back(QStringLiteral("main window"));
        ASSERT_NE(self, nullptr);
        EXPECT_NE(self->ColorGrid(), nullptr);
        EXPECT_NE(self->PaperLibrary(), nullptr);
        EXPECT_NE(self->Schedule(), nullptr);
        EXPECT_NE(self->ImageCache(), nullptr);
        EXPECT_NE(self->StampList(), nullptr);
        EXPECT_NE(HolidayTable(), nullptr);
        EXPECT_NE(GetPurposeValidator(), nullptr);
        EXPECT_FALSE(self->Ready()) << "Ready is set once the window exists";
    };
    auto dm = MakeDataMain();
    self = dm.get();
    ASSERT_TRUE(dm->Create());
    EXPECT_EQ(order,
              (std::vector<QString>{QStringLiteral("colour grid"), QStringLiteral("main window")}));
}

TEST_F(DataMain, StartsWithoutPrintQueueSettingsFolderOrWritableProgramFolder) {
    // No print queue: the built-in PDF printer is the printer (the real printer probe runs).
    qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    Options().SelectPrinter = nullptr;
    // No settings or user data folder yet.
    SetUserHome(TempPath(QStringLiteral("fresh-home/never-created")));
    // A program folder the program cannot write, its tables installed read-only.
    for (const QString& name : CalendarTableFiles)
        QFile::setPermissions(ProgramFolder() + name,
                              QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    ASSERT_TRUE(
        QFile::setPermissions(ProgramFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create()) << (Boxes.empty() ? "" : Boxes[0].Text.toStdString());
    EXPECT_TRUE(Boxes.empty());
    const QString expected = UserFolder();
    EXPECT_EQ(dm->AppFrame1().ExpandMacros(QStringLiteral("$(SystemPreferenceFolder)")), expected);
    for (const QString& name : CalendarTableFiles) {
        EXPECT_TRUE(IsWritablePath(expected + name)) << name.toStdString();
        EXPECT_EQ(FileBytes(expected + name), FileBytes(ProgramFolder() + name));
    }
    EXPECT_TRUE(dm->ImageCache()->IsOpen());
    EXPECT_TRUE(dm->ImageCache()->FileName().startsWith(expected));
    dm.reset();
    EXPECT_TRUE(QFile::exists(expected + QStringLiteral("ImageCache.ic")));
    QFile::setPermissions(ProgramFolder(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qunsetenv("CUPS_SERVER");
}

TEST_F(DataMain, TheUsersOwnTablesAreNotReplaced) {
    Options().IsFolderWritable = [this](const QString& Folder) {
        return !Folder.startsWith(ProgramFolder());
    };
    ASSERT_TRUE(QDir().mkpath(UserFolder()));
    // The user's holiday table was updated; it stays.
    QFile::copy(ProgramFolder() + QStringLiteral("Holiday.tbl"),
                UserFolder() + QStringLiteral("Holiday.tbl"));
    {
        QFile f(UserFolder() + QStringLiteral("Holiday.tbl"));
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("\r\n");
    }
    const QByteArray mine = FileBytes(UserFolder() + QStringLiteral("Holiday.tbl"));
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    EXPECT_EQ(FileBytes(UserFolder() + QStringLiteral("Holiday.tbl")), mine);
    EXPECT_TRUE(QFile::exists(UserFolder() + QStringLiteral("MoonAge.tbl")));
}

TEST_F(DataMain, AReadOnlyProgramFolderIsToldApartByItsPermissions) {
    // The real probe: even the superuser sees a folder without write permission as
    // read-only, as a user of the program would.
    TAppFolders folders(ProgramFolder(), UserFolder());
    EXPECT_EQ(folders.SystemPreferenceFolder(), ProgramFolder());
    ASSERT_TRUE(
        QFile::setPermissions(ProgramFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    EXPECT_FALSE(IsWritablePath(ProgramFolder()));
    EXPECT_EQ(folders.SystemPreferenceFolder(), UserFolder());
    QFile::setPermissions(ProgramFolder(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(IsWritablePath(ProgramFolder() + QStringLiteral("missing")));
}

TEST_F(DataMain, ALoadedPluginFolderWithForeignFilesStillStarts) {
    ASSERT_TRUE(QDir().mkpath(ProgramFolder() + QStringLiteral("Plugins")));
    WriteFile(ProgramFolder() + QStringLiteral("Plugins/readme.so"), "not a library");
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    ASSERT_NE(dm->PluginList1(), nullptr);
    EXPECT_EQ(dm->PluginList1()->Count(), 0);
    EXPECT_EQ(dm->PluginList2()->Count(), 0);
    EXPECT_FALSE(dm->PluginList1()->Problems().isEmpty());
}

TEST_F(DataMain, ARefusedStartConditionEndsStartUpBeforeAnything) {
    // 8-bit display and the answer No.
    Options().DisplayColorBits = [] { return 8; };
    Answers = {mrNo};
    auto dm = MakeDataMain();
    EXPECT_FALSE(dm->Create());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.startsWith(QStringLiteral("「Vantomi2005」は、32,000色以上の")));
    EXPECT_EQ(Form(), nullptr);
    EXPECT_EQ(dm->PaperLibrary(), nullptr);
    EXPECT_EQ(HolidayTable(), nullptr);

    // No printer at all.
    Boxes.clear();
    Options().DisplayColorBits = [] { return 24; };
    Options().SelectPrinter = [] { return false; };
    auto dm2 = MakeDataMain();
    EXPECT_FALSE(dm2->Create());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.startsWith(QStringLiteral("通常使うプリンタがセットされていません")));
}

TEST_F(DataMain, ASecondInstanceRefusesAndExitsCleanly) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTOMI_CHILD_RUNTIME_DIR"),
               qEnvironmentVariable("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("VANTOMI_CHILD_PROGRAM_FOLDER"), ProgramFolder());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=DataMainChild.SecondInstance")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("MESSAGE: ") + SAlreadyRun)) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();

    // Once the first instance has ended, the lock is free again.
    dm.reset();
    auto again = MakeDataMain();
    EXPECT_TRUE(again->Create());
}

// The second instance of the test above (run only as its child process).
TEST(DataMainChild, SecondInstance) {
    const QByteArray runtime = qgetenv("VANTOMI_CHILD_RUNTIME_DIR");
    if (runtime.isEmpty())
        GTEST_SKIP() << "runs as the child of DataMain.ASecondInstanceRefusesAndExitsCleanly";
    qputenv("XDG_RUNTIME_DIR", runtime);
    bool created = false;
    TStartupOptions options;
    options.ProgramFolder = qEnvironmentVariable("VANTOMI_CHILD_PROGRAM_FOLDER");
    options.Arguments = QStringList();
    options.DisplayColorBits = [] { return 24; };
    options.RunMessageForm = [](TfrmMessage& Form) {
        std::printf("MESSAGE: %s\n", Form.Message().toUtf8().constData());
        std::fflush(stdout);
        return mrOk;
    };
    TdataMain dm(
        [&]() -> std::unique_ptr<IMainForm> {
            created = true;
            return nullptr;
        },
        options);
    EXPECT_FALSE(dm.Create());
    EXPECT_FALSE(created);
    EXPECT_EQ(dm.PaperLibrary(), nullptr);
}

TEST(CDLabelPurposeValidator, ReplacesTheObsoletePurposes) {
    RegisterPaperClasses();
    const TCDLabelPurposeValidator v;
    const struct {
        const char* ID;
        bool Obsolete;
        const char* Replacement;
    } rows[] = {
        {"MO", true, "MOSquare"},        {"FD", true, "MOSquare"},
        {"CDCase", true, "CDCaseTray"},  {"mo", false, "mo"},
        {"cdcase", false, "cdcase"},     {"CD", false, "CD"},
        {"MOSquare", false, "MOSquare"}, {"", false, ""},
        {"FD ", false, "FD "},
    };
    for (const auto& row : rows) {
        const QString id = QString::fromLatin1(row.ID);
        EXPECT_EQ(v.IsObsolete(id), row.Obsolete) << row.ID;
        EXPECT_EQ(v.Replace(id), QString::fromLatin1(row.Replacement)) << row.ID;
    }

    TPurposeList list;
    for (const char* id : {"MO", "CD", "FD", "CDCase", "MOSquare", "FD"})
        list.Add<TPurposeInfo>()->SetID(QString::fromLatin1(id));
    v.CleanList(list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->ID(), QStringLiteral("CD"));
    EXPECT_EQ(list.Items(1)->ID(), QStringLiteral("MOSquare"));
}

TEST_F(DataMain, AStoredFDPurposeReadsBackAsMOSquare) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    TMatrixPaperInfo paper;
    paper.SetPaperName(QStringLiteral("旧FD"));
    paper.SetFaceCountX(1);
    paper.SetFaceCountY(1);
    paper.SetFacePurpose(QStringLiteral("FD"));
    TMemoryStream stream;
    WriteComponent(stream, paper);
    stream.Seek(0, soBeginning);
    const auto read = ReadComponent(stream);
    const auto* back = qobject_cast<TMatrixPaperInfo*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->FacePurpose(), QStringLiteral("FD")) << "stored as it was";
    EXPECT_EQ(back->GetFacePurpose(0), QStringLiteral("MOSquare"));
    dm.reset();
    EXPECT_EQ(back->GetFacePurpose(0), QStringLiteral("FD")) << "validator gone with the module";
}

TEST_F(DataMain, CacheSettingsGiveTheCacheLimit) {
    const struct {
        const char* Enabled; // null: not set
        const char* Limit;
        int Expected;
    } rows[] = {
        {nullptr, nullptr, TImageCacheStorage::MaxLimit},
        {"1", "0", TImageCacheStorage::MaxLimit},
        {"1", "50", 50},
        {"0", "50", 0},
        {"0", "0", 0},
        {"1", "lots", TImageCacheStorage::MaxLimit},
    };
    for (const auto& row : rows) {
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create());
        if (row.Enabled)
            RegWriteString(QStringLiteral("CacheEnabl"), QString::fromLatin1(row.Enabled));
        if (row.Limit)
            RegWriteString(QStringLiteral("CacheLimit"), QString::fromLatin1(row.Limit));
        EXPECT_EQ(TdataMain::CacheLimitSetting(), row.Expected) << row.Enabled << row.Limit;
        dm->ApplyCacheSettings();
        EXPECT_EQ(dm->ImageCache()->Limit(), row.Expected) << row.Enabled << row.Limit;
        dm.reset();
        // Read at start-up as well.
        auto again = MakeDataMain();
        ASSERT_TRUE(again->Create());
        EXPECT_EQ(again->ImageCache()->Limit(), row.Expected);
        again.reset();
        ClearSettings();
    }
}

TEST_F(DataMain, UseColorSpecHistoryIsASetting) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    EXPECT_TRUE(dm->UseColorSpecHistory());
    dm->SetUseColorSpecHistory(false);
    EXPECT_FALSE(dm->UseColorSpecHistory());
    EXPECT_EQ(RegReadString(QStringLiteral("UseColorSpecHistory"), QString()), QStringLiteral("0"));
    dm->SetUseColorSpecHistory(true);
    EXPECT_TRUE(dm->UseColorSpecHistory());
}

TEST_F(DataMain, TheMessageBoxIsTheProgramsOwnForm) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    Answers = {mrNo};
    const TModalResult result =
        AppMessageBox(QStringLiteral("保存しますか？$(CRLF)二行目"), {bkYes, bkNo, bkCancel}, 0, 2);
    EXPECT_EQ(result, mrNo);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("保存しますか？\n二行目"));
    EXPECT_EQ(Boxes[0].Captions,
              (QStringList{BitBtnCaption(bkYes), BitBtnCaption(bkNo), BitBtnCaption(bkCancel)}));
}

TEST_F(DataMain, CDNotFoundAsksUntilAnAnswerSettlesIt) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    const struct {
        const char* Case;
        std::vector<TModalResult> Answers;
        std::vector<bool> Environment; // answers of the environment dialog, in order
        bool Retry;
        size_t Boxes;
    } rows[] = {
        {"retry", {mrYes}, {}, true, 1},
        {"cancel", {mrNo}, {}, false, 1},
        {"settings confirmed", {mrCancel}, {true}, true, 1},
        {"settings cancelled, then cancel", {mrCancel, mrNo}, {false}, false, 2},
        {"settings twice", {mrCancel, mrCancel}, {false, true}, true, 2},
        {"closed otherwise, then retry", {mrNone, mrYes}, {}, true, 2},
    };
    for (const auto& row : rows) {
        Boxes.clear();
        Answers.assign(row.Answers.begin(), row.Answers.end());
        EnvironmentAnswers = row.Environment;
        EnvironmentCalls = 0;
        bool retry = !row.Retry;
        dm->AppFrame1CDNotFound(QStringLiteral("Data\\Template\\Template.dat"), retry);
        EXPECT_EQ(retry, row.Retry) << row.Case;
        EXPECT_EQ(Boxes.size(), row.Boxes) << row.Case;
        EXPECT_EQ(EnvironmentCalls, static_cast<int>(row.Environment.size())) << row.Case;
        ASSERT_FALSE(Boxes.empty());
        EXPECT_EQ(Boxes[0].Text, QStringLiteral("Data\\Template\\Template.datが見つかりません\n"
                                                "Vantomi2005のＣＤを正しくセットしてください。"));
        EXPECT_EQ(Boxes[0].Captions,
                  (QStringList{QStringLiteral("再試行"), QStringLiteral("キャンセル"),
                               QStringLiteral("環境設定...")}));
    }
}

TEST_F(DataMain, ConfirmedEnvironmentSettingsAreAppliedToTheCache) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    EXPECT_EQ(dm->ImageCache()->Limit(), TImageCacheStorage::MaxLimit);
    Options();
    Answers = {mrCancel};
    OnEnvironment = [] { RegWriteInteger(QStringLiteral("CacheLimit"), 7); };
    EnvironmentAnswers = {true};
    bool retry = false;
    dm->AppFrame1CDNotFound(QStringLiteral("x"), retry);
    EXPECT_TRUE(retry);
    EXPECT_EQ(dm->ImageCache()->Limit(), 7);
}

TEST_F(DataMain, PreviewPicturesComeFromTheFolderCacheOrAreMadeAndCached) {
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    const QString folder = TempPath(QStringLiteral("photos/"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString wide = folder + QStringLiteral("wide.png");
    QImage image(400, 100, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(wide));

    TPictureEx picture;
    ASSERT_TRUE(dm->GetPreviewPicture(wide, picture));
    EXPECT_EQ(picture.Width(), 200);
    EXPECT_EQ(picture.Height(), 50);
    TImageCacheItem item;
    ASSERT_TRUE(dm->ImageCache()->ReadItem(wide, item)) << "stored in the program's cache";
    EXPECT_TRUE(item.IsUpToDate(wide));
    EXPECT_EQ(item.Picture()->Width(), 200);

    // A folder's own preview cache wins.
    {
        TImageCacheStorage folderCache;
        folderCache.Open(folder + QStringLiteral("Preview.ic"), false, true);
        TImageCacheItem own;
        ASSERT_TRUE(own.SetFileInfo(wide));
        TPictureEx small;
        QImage tiny(10, 12, QImage::Format_RGB32);
        tiny.fill(Qt::blue);
        const QString tinyFile = TempPath(QStringLiteral("tiny.png"));
        ASSERT_TRUE(tiny.save(tinyFile));
        small.LoadFromFile(tinyFile);
        own.SetPicture(&small);
        ASSERT_TRUE(folderCache.WriteItem(wide, own));
    }
    TPictureEx fromFolder;
    ASSERT_TRUE(dm->GetPreviewPicture(wide, fromFolder));
    EXPECT_EQ(fromFolder.Width(), 10);
    EXPECT_EQ(fromFolder.Height(), 12);

    // Neither a missing file nor one that is no picture gives a preview.
    TPictureEx none;
    EXPECT_FALSE(dm->GetPreviewPicture(folder + QStringLiteral("none.png"), none));
    WriteFile(folder + QStringLiteral("broken.png"), "not a picture");
    EXPECT_FALSE(dm->GetPreviewPicture(folder + QStringLiteral("broken.png"), none));
    EXPECT_EQ(none.Width(), 0);
}

TEST_F(DataMain, ShippedStyleListsAreReadFromTheProgramFolder) {
    ASSERT_TRUE(QDir().mkpath(ProgramFolder() + QStringLiteral("Data/Stamps")));
    WriteFile(ProgramFolder() + QStringLiteral("Data/Stamps/Stamp.lst"),
              "[INDEX]\r\nStar.png\r\nHeart.png\r\n");
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    EXPECT_EQ(dm->StampList()->Names(StampSection),
              (QStringList{QStringLiteral("Star"), QStringLiteral("Heart")}));
    EXPECT_TRUE(dm->ScheduleStyleList()->IsEmpty());
}

TEST_F(DataMain, TheRealMessageFormAndIdleMomentsDriveStartUp) {
    // The program's own form, shown modally, answered by a click.
    Options().RunMessageForm = nullptr;
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TfrmMessage*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        shown = form->Message();
        form->Buttons(1)->click();
    });
    EXPECT_EQ(AppMessageBox(QStringLiteral("よろしいですか？"), {bkYes, bkNo}, 0, 1), mrNo);
    EXPECT_EQ(shown, QStringLiteral("よろしいですか？"));

    // Idle moments of the event loop reach the idle logic.
    Form()->Splash = true;
    for (int i = 0; i < 50 && !Form()->Window.isEnabled(); ++i) {
        QEventLoop wait; // blocks, so the application goes idle
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
    EXPECT_EQ(Form()->NewDocuments, 1);
    EXPECT_EQ(Form()->Selections, 1);
    EXPECT_TRUE(Form()->Window.isEnabled());
}
