#include "UAppFrame.h"
#include "UExecuteBlocker.h"
#include "UPropStream.h"
#include "URegistry.h"
#include "UStreams.h"
#include "UStringHolder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <stdexcept>

// The exception class of scanner acquisition, recognised by its name.
VANTOMI_DECLARE_EXCEPTION(ETwain, Exception)

namespace {

const QString SettingsPath = QStringLiteral("\\Software\\Quorvelin\\Vantomi\\1.0\\Settings");

TStringList SettingsTable() {
    TStringList t;
    t.SetText(QStringLiteral("AppName=Vantomi2005\n"
                             "SysRegistryKey=Software\\Quorvelin\\Vantomi\\$(ShortVer)\\Settings\n"
                             "SysKeyFile=\n"
                             "SysMsgAlreadyRun=$(AppName)は、すでに実行中です\n"));
    return t;
}

class AppFrame : public ::testing::Test {
protected:
    void TearDown() override { TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin")); }
};

} // namespace

TEST_F(AppFrame, WithoutAFrameTheFreeRoutinesFallBack) {
    ASSERT_EQ(TAppFrame::Global(), nullptr);
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(AppName)")), QStringLiteral("$(AppName)"));
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 42), 42);
    EXPECT_EQ(RegReadString(QStringLiteral("CDPath"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_TRUE(RegReadBool(QStringLiteral("Banding"), true));
    RegWriteString(QStringLiteral("CDPath"), QStringLiteral("/x"));
    EXPECT_FALSE(TRegistry().KeyExists(QStringLiteral("\\Software\\Quorvelin")));
}

TEST_F(AppFrame, TheMostRecentFrameIsTheGlobalOne) {
    auto first = std::make_unique<TAppFrame>();
    EXPECT_EQ(first->Macro().Text(), QStringLiteral("AppName=Project\r\n"));
    EXPECT_EQ(TAppFrame::Global(), first.get());
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(AppName)")), QStringLiteral("Project"));
    auto second = std::make_unique<TAppFrame>();
    EXPECT_EQ(TAppFrame::Global(), second.get());
    first.reset();
    EXPECT_EQ(TAppFrame::Global(), second.get());
    second.reset();
    EXPECT_EQ(TAppFrame::Global(), nullptr);
}

// The first Parts numbers of the version the top-level CMakeLists.txt gives the project.
static QString BuildVersion(int Parts) {
    QFile file(QStringLiteral(VANTOMI_SOURCE_DIR "/CMakeLists.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("project\\(Vantomi VERSION ([0-9.]+)"))
            .match(QString::fromUtf8(file.readAll()));
    EXPECT_TRUE(m.hasMatch());
    return m.captured(1).split(u'.').mid(0, Parts).join(u'.');
}

TEST_F(AppFrame, VersionMacrosComeFromTheBuildsVersion) {
    EXPECT_EQ(QStringLiteral("%1.%2").arg(AppVersionMajor).arg(AppVersionMinor), BuildVersion(2));
    EXPECT_EQ(
        QStringLiteral("%1.%2.%3").arg(AppVersionMajor).arg(AppVersionMinor).arg(AppVersionRelease),
        BuildVersion(3));
}

TEST_F(AppFrame, LoadingSetsTheBuiltInMacros) {
    TAppFrame frame;
    frame.SetMacro(SettingsTable());
    frame.Loaded();
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const struct {
        const char* Text;
        QString Expected;
    } cases[] = {
        {"$(ExeDir)", exe.absolutePath() + QLatin1Char('/')},
        {"$(ExeNameNoExt).cdb",
         exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".cdb")},
        {"$(SysKeyFile)", exe.fileName()},
        {"$(SysApplicationFolder)", exe.completeBaseName()},
        {"$(AppDataDir)", qEnvironmentVariable("XDG_DATA_HOME") + QLatin1Char('/')},
        {"$(ShortVer)|$(LongVer)", BuildVersion(2) + u'|' + BuildVersion(3) + QStringLiteral(".0")},
        {"a$(CRLF)b$(Quote)", QStringLiteral("a\r\nb\"")},
        {"$(SysRegistryKey)", SettingsPath.mid(1)},
        {"$(SysMsgAlreadyRun)", QStringLiteral("Vantomi2005は、すでに実行中です")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(frame.ExpandMacros(QString::fromUtf8(c.Text)), c.Expected) << c.Text;
}

TEST_F(AppFrame, LoadingKeepsKeyFileAndFolderGivenInTheTable) {
    TAppFrame frame;
    TStringList table = SettingsTable();
    table.SetValue(QStringLiteral("SysKeyFile"), QStringLiteral("VANTOMI.KEY"));
    table.SetValue(QStringLiteral("SysApplicationFolder"), QStringLiteral("Vantomi5"));
    frame.SetMacro(table);
    frame.Loaded();
    EXPECT_EQ(frame.ExpandMacros(QStringLiteral("$(SysKeyFile)/$(SysApplicationFolder)")),
              QStringLiteral("VANTOMI.KEY/Vantomi5"));
}

TEST_F(AppFrame, SettingsAreTextUnderTheSettingsKey) {
    TAppFrame frame;
    frame.SetMacro(SettingsTable());
    frame.Loaded();
    EXPECT_EQ(frame.OpenRegistry(false), nullptr); // the key does not exist yet
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 5), 5);

    RegWriteBool(QStringLiteral("Banding"), true);
    RegWriteBool(QStringLiteral("FixGDILeak"), false);
    RegWriteInteger(QStringLiteral("CacheLimit"), 300);
    RegWriteString(QStringLiteral("ProxyAddress"), QStringLiteral("proxy.example"));
    RegWriteString(QStringLiteral("ProxyPort"), QStringLiteral("eighty"));
    EXPECT_EQ(RegReadString(QStringLiteral("Banding"), QString()), QStringLiteral("1"));
    EXPECT_TRUE(RegReadBool(QStringLiteral("banding"), false));
    EXPECT_FALSE(RegReadBool(QStringLiteral("FixGDILeak"), true));
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 0), 300);
    EXPECT_EQ(RegReadInteger(QStringLiteral("ProxyPort"), 8080), 8080);
    EXPECT_EQ(RegReadString(QStringLiteral("ProxyAddress"), QString()),
              QStringLiteral("proxy.example"));

    TRegistry direct;
    ASSERT_TRUE(direct.OpenKeyReadOnly(SettingsPath));
    EXPECT_EQ(direct.ReadString(QStringLiteral("CacheLimit")), QStringLiteral("300"));
    EXPECT_NE(frame.OpenRegistry(false), nullptr);

    EXPECT_EQ(frame.GetCDPath(), QString());
    frame.SetCDPath(QStringLiteral("/media/user/VANTOMI"));
    EXPECT_EQ(frame.GetCDPath(), QStringLiteral("/media/user/VANTOMI"));
    EXPECT_EQ(direct.ReadString(QStringLiteral("CDPath")), QStringLiteral("/media/user/VANTOMI"));
}

TEST_F(AppFrame, WithoutASettingsKeyReadsDefaultAndWritesNothing) {
    TAppFrame frame;
    RegWriteInteger(QStringLiteral("CacheLimit"), 1); // no SysRegistryKey line
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 2), 2);
    frame.Macro().Add(QStringLiteral("SysRegistryKey=")); // a line that expands to nothing
    EXPECT_EQ(frame.OpenRegistry(true), nullptr);
    RegWriteInteger(QStringLiteral("CacheLimit"), 1);
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 2), 2);
    EXPECT_FALSE(TRegistry().KeyExists(QStringLiteral("\\Software\\Quorvelin")));
}

TEST_F(AppFrame, MacroErrorsInTheSettingsKeyPropagate) {
    TAppFrame frame;
    frame.Macro().Add(QStringLiteral("SysRegistryKey=Software\\$(Undefined)"));
    EXPECT_THROW(RegReadString(QStringLiteral("CDPath"), QString()), EMacroString);
    EXPECT_THROW(RegWriteString(QStringLiteral("CDPath"), QString()), EMacroString);
}

namespace {

// The program's settings list, as far as the frame's own messages need it.
TStringList MessageTable() {
    TStringList t = SettingsTable();
    t.Add(QStringLiteral("SysMsgUnexpected=予期しないエラーが発生しました$(CRLF)%s"));
    t.Add(QStringLiteral("SysMsgTwainErr=TWAINでエラーが発生しました。$(CRLF)「%s」"));
    t.Add(QStringLiteral("SysMsgNotDefaultPrinter=通常使うプリンタがセットされていません"));
    t.Add(QStringLiteral("SysMsgNotEnoughColor=「$(AppName)」は、32,000色以上の表示環境で"));
    t.Add(QStringLiteral("SysMsgCDNotFound=%sが見つかりません$(CRLF)$(AppName)のＣＤを"));
    t.Add(QStringLiteral("SysMutexID=Vantomi.$(ShortVer).Ostrivan.Test"));
    return t;
}

struct TBoxCall {
    QString Text;
    TBitBtnKinds Buttons;
    int Default;
    int Cancel;
};

// Stands in for the message form: records every message box and answers from a script.
struct TBoxRecorder {
    std::vector<TBoxCall> Calls;
    std::vector<TModalResult> Answers;

    TOnMessageBox Handler() {
        return [this](const QString& Text, const TBitBtnKinds& Buttons, int Default, int Cancel) {
            Calls.push_back({Text, Buttons, Default, Cancel});
            const size_t n = Calls.size() - 1;
            return n < Answers.size() ? Answers[n] : mrOk;
        };
    }
    QStringList Texts() const {
        QStringList texts;
        for (const TBoxCall& c : Calls)
            texts.append(c.Text);
        return texts;
    }
};

class AppFrameMessages : public AppFrame {
protected:
    void SetUp() override {
        Frame.SetMacro(MessageTable());
        Frame.Loaded();
        Frame.OnMessageBox = Boxes.Handler();
    }
    TAppFrame Frame;
    TBoxRecorder Boxes;
};

} // namespace

TEST_F(AppFrameMessages, MessageBoxExpandsTheTextAndPassesButtonsDefaultAndCancel) {
    EXPECT_EQ(
        Frame.MessageBox(QStringLiteral("$(AppName)を終了しますか"), {bkYes, bkNo, bkCancel}, 1, 2),
        mrOk);
    ASSERT_EQ(Boxes.Calls.size(), 1u);
    const TBoxCall& call = Boxes.Calls[0];
    EXPECT_EQ(call.Text, QStringLiteral("Vantomi2005を終了しますか"));
    EXPECT_EQ(call.Buttons, (TBitBtnKinds{bkYes, bkNo, bkCancel}));
    EXPECT_EQ(call.Default, 1);
    EXPECT_EQ(call.Cancel, 2);
}

TEST_F(AppFrameMessages, ConfirmAndShowMessageUseTheirButtonSets) {
    Boxes.Answers = {mrOk, mrCancel, mrOk};
    EXPECT_TRUE(AppConfirm(QStringLiteral("よろしいですか")));
    EXPECT_FALSE(AppConfirm(QStringLiteral("よろしいですか")));
    EXPECT_EQ(AppShowMessage(QStringLiteral("$(AppName)")), mrOk);
    ASSERT_EQ(Boxes.Calls.size(), 3u);
    EXPECT_EQ(Boxes.Calls[0].Buttons, (TBitBtnKinds{bkOK, bkCancel}));
    EXPECT_EQ(Boxes.Calls[0].Default, 0);
    EXPECT_EQ(Boxes.Calls[0].Cancel, 1);
    EXPECT_EQ(Boxes.Calls[2].Buttons, (TBitBtnKinds{bkOK}));
    EXPECT_EQ(Boxes.Calls[2].Text, QStringLiteral("Vantomi2005"));
}

TEST_F(AppFrameMessages, RunTimeDataInAMessageIsShownAsItIs) {
    // A file name holding a macro reference (even an unclosed one) is data, not a macro.
    for (const QString name : {QStringLiteral("/media/$(AppName)/写真.dat"),
                               QStringLiteral("ab$(X"), QStringLiteral("50%s$()")}) {
        Boxes.Calls.clear();
        AppMessageBoxFormat(QStringLiteral("$(SysMsgCDNotFound)"), {name}, {bkOK}, 0, 0);
        ASSERT_EQ(Boxes.Calls.size(), 1u) << qPrintable(name);
        EXPECT_EQ(Boxes.Calls[0].Text,
                  name + QStringLiteral("が見つかりません\r\nVantomi2005のＣＤを"));
    }
    // A message that is all run-time text (an exception's words) is shown as it stands.
    for (const QString text : {QStringLiteral("読めません: /tmp/$(AppName).jpg"),
                               QStringLiteral("ab$(X"), QStringLiteral("50%s")}) {
        Boxes.Calls.clear();
        EXPECT_EQ(AppShowError(text), mrOk);
        ASSERT_EQ(Boxes.Calls.size(), 1u) << qPrintable(text);
        EXPECT_EQ(Boxes.Calls[0].Text, text);
        EXPECT_EQ(Boxes.Calls[0].Buttons, (TBitBtnKinds{bkOK}));
    }
    // The template itself is a macro text: its errors reach the caller.
    EXPECT_THROW(AppMessageBoxFormat(QStringLiteral("$(Undefined)"), {}, {bkOK}, 0, 0),
                 EMacroString);
}

TEST_F(AppFrameMessages, UnhandledExceptionsBecomeMessages) {
    const auto macroError = [&]() -> EMacroString {
        try {
            Frame.ExpandMacros(QStringLiteral("ab$(X"));
        } catch (const EMacroString& e) {
            return e;
        }
        return EMacroString(QString());
    }();
    const struct {
        const char* Name;
        std::function<void()> Raise;
        QString Expected;
    } cases[] = {
        {"system exception", [] { throw EReadError(QStringLiteral("読み込めません")); },
         QStringLiteral("予期しないエラーが発生しました\r\n読み込めません")},
        {"scanner exception", [] { throw ETwain(QStringLiteral("応答がありません")); },
         QStringLiteral("TWAINでエラーが発生しました。\r\n「応答がありません」")},
        {"standard exception", [] { throw std::runtime_error("bad_alloc-ish"); },
         QStringLiteral("予期しないエラーが発生しました\r\nbad_alloc-ish")},
        // The macro error's own message holds "$(": shown, never expanded again.
        {"macro error", [&] { throw macroError; },
         QStringLiteral("予期しないエラーが発生しました\r\n") + macroError.Message},
    };
    ASSERT_TRUE(macroError.Message.contains(QStringLiteral("ab$(X")));
    for (const auto& c : cases) {
        Boxes.Calls.clear();
        try {
            c.Raise();
        } catch (const std::exception& e) {
            HandleApplicationException(e);
        }
        ASSERT_EQ(Boxes.Calls.size(), 1u) << c.Name;
        EXPECT_EQ(Boxes.Calls[0].Text, c.Expected) << c.Name;
        EXPECT_EQ(Boxes.Calls[0].Buttons, (TBitBtnKinds{bkOK})) << c.Name;
    }
}

TEST_F(AppFrameMessages, AnExceptionTemplateThatCannotBeExpandedFallsBackToPlainText) {
    for (const QString broken : {QStringLiteral("$(Undefined)%s"), QStringLiteral("$(")}) {
        Boxes.Calls.clear();
        Frame.Macro().SetValue(QStringLiteral("SysMsgUnexpected"), broken);
        Frame.HandleException(Exception(QStringLiteral("元のエラー$(AppName)")));
        ASSERT_EQ(Boxes.Calls.size(), 1u);
        EXPECT_EQ(Boxes.Calls[0].Text,
                  QStringLiteral("予期しないエラーが発生しました\n元のエラー$(AppName)"));
    }
}

TEST_F(AppFrameMessages, FailuresInsideTheExceptionHandlerStayInside) {
    Frame.OnMessageBox = [](const QString&, const TBitBtnKinds&, int, int) -> TModalResult {
        throw Exception(QStringLiteral("the message form failed"));
    };
    EXPECT_NO_THROW(Frame.HandleException(Exception(QStringLiteral("x"))));
    Frame.OnException = [](TAppFrame*, const std::exception&) { throw std::logic_error("y"); };
    EXPECT_NO_THROW(Frame.HandleException(Exception(QStringLiteral("x"))));
}

TEST_F(AppFrameMessages, OnExceptionReplacesTheBuiltInMessage) {
    QString seen;
    TAppFrame* sender = nullptr;
    Frame.OnException = [&](TAppFrame* Sender, const std::exception& E) {
        sender = Sender;
        seen = QString::fromUtf8(E.what());
    };
    HandleApplicationException(ETwain(QStringLiteral("走査失敗")));
    EXPECT_EQ(sender, &Frame);
    EXPECT_EQ(seen, QStringLiteral("走査失敗"));
    EXPECT_TRUE(Boxes.Calls.empty());
}

namespace {

struct TConditionCase {
    const char* Name;
    TExecuteCondition Conditions;
    int ColorBits;
    TModalResult ColorAnswer;
    bool PrinterPresent;
    bool OtherInstance;
    bool Expected;
    QStringList Messages;
    int PrinterProbes;
};

} // namespace

TEST_F(AppFrameMessages, ExecuteConditionsAreCheckedInOrderUntilTheFirstRefusal) {
    const TExecuteCondition all = ecNeedHighColor | ecNeedPrinter | ecExclusive | ecPowerUsers;
    const QString color = QStringLiteral("「Vantomi2005」は、32,000色以上の表示環境で");
    const QString printer = QStringLiteral("通常使うプリンタがセットされていません");
    const QString running = QStringLiteral("Vantomi2005は、すでに実行中です");
    const TConditionCase cases[] = {
        {"everything present", all, 32, mrYes, true, false, true, {}, 1},
        {"no printer", all, 32, mrYes, false, false, false, {printer}, 1},
        {"low colour, user declines", all, 8, mrNo, true, false, false, {color}, 0},
        {"low colour, user accepts, then no printer",
         all,
         8,
         mrYes,
         false,
         false,
         false,
         {color, printer},
         1},
        {"another instance", all, 24, mrYes, true, true, false, {running}, 1},
        {"no conditions", {}, 8, mrNo, false, true, true, {}, 0},
        {"printer only", ecNeedPrinter, 8, mrNo, true, true, true, {}, 1},
    };
    for (const TConditionCase& c : cases) {
        TAppFrame frame;
        frame.SetMacro(MessageTable());
        frame.Loaded();
        TBoxRecorder boxes;
        boxes.Answers = {c.ColorAnswer};
        frame.OnMessageBox = boxes.Handler();
        frame.SetExecuteCondition(c.Conditions);
        int probes = 0;
        frame.DisplayColorBits = [&] { return c.ColorBits; };
        frame.SelectPrinter = [&] {
            ++probes;
            return c.PrinterPresent;
        };
        std::unique_ptr<TExecuteBlocker> other;
        if (c.OtherInstance)
            other = std::make_unique<TExecuteBlocker>(
                frame.ExpandMacros(QStringLiteral("$(SysMutexID)")));
        EXPECT_EQ(frame.CheckExecuteCondition(), c.Expected) << c.Name;
        EXPECT_EQ(boxes.Texts(), c.Messages) << c.Name;
        EXPECT_EQ(probes, c.PrinterProbes) << c.Name;
        if (!boxes.Calls.empty() && c.ColorBits <= 8 && (c.Conditions & ecNeedHighColor))
            EXPECT_EQ(boxes.Calls[0].Buttons, (TBitBtnKinds{bkYes, bkNo})) << c.Name;
    }
}

TEST_F(AppFrameMessages, ASecondInstanceIsRefusedWhileTheFirstRuns) {
    Frame.SetExecuteCondition(ecExclusive);
    ASSERT_TRUE(Frame.CheckExecuteCondition());
    EXPECT_TRUE(Frame.CheckExecuteCondition()) << "the holder itself is not refused";
    {
        TAppFrame second;
        second.SetMacro(MessageTable());
        second.Loaded();
        TBoxRecorder boxes;
        second.OnMessageBox = boxes.Handler();
        second.SetExecuteCondition(ecExclusive);
        EXPECT_FALSE(second.CheckExecuteCondition());
        EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("Vantomi2005は、すでに実行中です")});
    }
    EXPECT_TRUE(TExecuteBlocker(Frame.ExpandMacros(QStringLiteral("$(SysMutexID)"))).IsBlocked());
}

TEST_F(AppFrame, TheLockOfTheSingleInstanceGoesWithTheFrame) {
    QString lockName;
    {
        TAppFrame frame;
        frame.SetMacro(MessageTable());
        frame.Loaded();
        frame.SetExecuteCondition(ecExclusive);
        ASSERT_TRUE(frame.CheckExecuteCondition());
        lockName = frame.ExpandMacros(QStringLiteral("$(SysMutexID)"));
        EXPECT_TRUE(TExecuteBlocker(lockName).IsBlocked());
    }
    EXPECT_FALSE(TExecuteBlocker(lockName).IsBlocked());
}

TEST_F(AppFrame, PlainMessageBoxMapsKindsToButtonsAndAnswersTheModalResult) {
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.append(box->text());
        for (QAbstractButton* b : box->buttons())
            seen.append(QString::number(box->standardButton(b), 16));
        box->button(QMessageBox::Retry)->click();
    });
    EXPECT_EQ(PlainMessageBox(QStringLiteral("<b>一行目</b>\r\n二行目"),
                              {bkAbort, bkRetry, bkIgnore}, 0, 0),
              mrRetry);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen[0], QStringLiteral("<b>一行目</b>\n二行目"));
    EXPECT_EQ(seen.size(), 4);

    // Kinds without a modal result of their own answer the class library's results.
    const struct {
        TBitBtnKind Kind;
        QMessageBox::StandardButton Button;
        TModalResult Result;
    } mapped[] = {{bkCustom, QMessageBox::YesToAll, mrYesToAll},
                  {bkClose, QMessageBox::NoToAll, mrNoToAll},
                  {bkYes, QMessageBox::Yes, mrYes}};
    for (const auto& m : mapped) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(m.Button)->click();
        });
        EXPECT_EQ(PlainMessageBox(QStringLiteral("?"), {m.Kind, bkNo}, 0, 1), m.Result);
    }
}

TEST_F(AppFrame, WithoutAFrameMessagesGoToThePlainBox) {
    ASSERT_EQ(TAppFrame::Global(), nullptr);
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_FALSE(AppConfirm(QStringLiteral("$(AppName)")));
    EXPECT_EQ(text, QStringLiteral("$(AppName)"));
}

TEST_F(AppFrame, FramePropertiesGoThroughPropertyStreams) {
    TAppFrame frame;
    frame.SetName(QStringLiteral("AppFrame1"));
    frame.SetMacro(MessageTable());
    frame.SetExecuteCondition(ecNeedPrinter | ecExclusive);
    TMemoryStream stream;
    WriteComponent(stream, frame);
    stream.SetPosition(0);
    TAppFrame copy;
    ReadComponent(stream, copy);
    EXPECT_EQ(copy.ExecuteCondition(), ecNeedPrinter | ecExclusive);
    EXPECT_EQ(copy.Macro().Values(QStringLiteral("SysMutexID")),
              QStringLiteral("Vantomi.$(ShortVer).Ostrivan.Test"));
    EXPECT_EQ(copy.ExpandMacros(QStringLiteral("$(ShortVer)")), QStringLiteral("1.0"))
        << "reading completes with the built-in macros";
}

TEST_F(AppFrame, FormatMessageTextFillsPlaceholdersInOrder) {
    const struct {
        const char* Template;
        QStringList Args;
        const char* Expected;
    } cases[] = {
        {"%sが見つかりません", {"a.dat"}, "a.datが見つかりません"},
        {"%s - %s", {"x", "y"}, "x - y"},
        {"%d件", {"12"}, "12件"},
        {"100%%", {}, "100%"},
        {"%s と %s", {"only"}, "only と %s"},
        {"%s", {"$(AppName)%s"}, "$(AppName)%s"},
        {"末尾%", {"x"}, "末尾%"},
        {"%x", {"x"}, "%x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatMessageText(QString::fromUtf8(c.Template), c.Args),
                  QString::fromUtf8(c.Expected))
            << c.Template;
}

namespace {

class AppFramePlacement : public AppFrame {
protected:
    void SetUp() override {
        Frame.SetMacro(SettingsTable());
        Frame.Loaded();
        Screen = QGuiApplication::primaryScreen()->availableGeometry();
    }
    TAppFrame Frame;
    QRect Screen;
};

} // namespace

TEST_F(AppFramePlacement, AWindowNeverSavedIsCentredAndCutToTheScreen) {
    QWidget form;
    form.setObjectName(QStringLiteral("frmMain"));
    RestoreWindowPlacement(form, 400, 300);
    EXPECT_EQ(form.geometry(),
              QRect((Screen.width() - 400) / 2, (Screen.height() - 300) / 2, 400, 300));
    RestoreWindowPlacement(form, Screen.width() + 500, Screen.height() + 100);
    EXPECT_EQ(form.geometry(), QRect(0, 0, Screen.width(), Screen.height()));
}

TEST_F(AppFramePlacement, ASavedPlacementComesBack) {
    QWidget form;
    form.setObjectName(QStringLiteral("frmLayout"));
    form.setGeometry(30, 40, 320, 200);
    SaveWindowPlacement(form);
    TRegistry direct;
    ASSERT_TRUE(direct.OpenKeyReadOnly(SettingsPath));
    EXPECT_EQ(direct.ReadString(QStringLiteral("frmLayoutLeft")), QStringLiteral("30"));
    EXPECT_EQ(direct.ReadString(QStringLiteral("frmLayoutHeight")), QStringLiteral("200"));

    QWidget again;
    again.setObjectName(QStringLiteral("frmLayout"));
    RestoreWindowPlacement(again, 800, 600);
    EXPECT_EQ(again.geometry(), QRect(30, 40, 320, 200));
}

TEST_F(AppFramePlacement, APlacementOffAllScreensIsMovedOntoOne) {
    const struct {
        int Left, Top, Width, Height;
    } cases[] = {{-5000, 40, 300, 200},
                 {40, 9000, 300, 200},
                 {Screen.width() - 10, Screen.height() - 10, 300, 200},
                 {-100, -100, 50000, 40000}};
    for (const auto& c : cases) {
        RegWriteInteger(QStringLiteral("frmPlaceLeft"), c.Left);
        RegWriteInteger(QStringLiteral("frmPlaceTop"), c.Top);
        RegWriteInteger(QStringLiteral("frmPlaceWidth"), c.Width);
        RegWriteInteger(QStringLiteral("frmPlaceHeight"), c.Height);
        QWidget form;
        form.setObjectName(QStringLiteral("frmPlace"));
        RestoreWindowPlacement(form, 800, 600);
        EXPECT_TRUE(Screen.contains(form.geometry())) << c.Left << "," << c.Top;
        EXPECT_EQ(form.width(), std::min(c.Width, Screen.width()));
    }
}

TEST_F(AppFrame, ComponentMacrosExpandInWidgetTreesAndComponentTrees) {
    QWidget form;
    form.setObjectName(QStringLiteral("frm$(AppName)"));
    form.setWindowTitle(QStringLiteral("$(AppName) の設定"));
    auto* layout = new QVBoxLayout(&form);
    auto* label = new QLabel(QStringLiteral("$(AppName)のバージョン $(ShortVer)"));
    auto* button = new QPushButton(QStringLiteral("閉じる"));
    button->setToolTip(QStringLiteral("$(AppName)を閉じます"));
    auto* combo = new QComboBox;
    combo->addItems({QStringLiteral("$(AppName)形式"), QStringLiteral("そのまま")});
    auto* tabs = new QTabWidget;
    tabs->addTab(new QWidget, QStringLiteral("$(AppName)タブ"));
    for (QWidget* w : {static_cast<QWidget*>(label), static_cast<QWidget*>(button),
                       static_cast<QWidget*>(combo), static_cast<QWidget*>(tabs)})
        layout->addWidget(w);
    auto* action = new QAction(QStringLiteral("$(AppName)について"), &form);

    TStringHolder holder;
    holder.SetText(TStringList({QStringLiteral("$(AppName)"), QStringLiteral("2行目")}));
    auto* inner = new TStringHolder(&holder);
    inner->SetText(TStringList({QStringLiteral("内側 $(ShortVer)")}));

    ExpandComponentMacros(&form); // no frame yet: nothing changes
    EXPECT_EQ(label->text(), QStringLiteral("$(AppName)のバージョン $(ShortVer)"));

    TAppFrame frame;
    frame.SetMacro(SettingsTable());
    frame.Loaded();
    ExpandComponentMacros(&form);
    ExpandComponentMacros(&holder);
    EXPECT_EQ(form.objectName(), QStringLiteral("frm$(AppName)"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Vantomi2005 の設定"));
    EXPECT_EQ(label->text(), QStringLiteral("Vantomi2005のバージョン 1.0"));
    EXPECT_EQ(button->toolTip(), QStringLiteral("Vantomi2005を閉じます"));
    EXPECT_EQ(button->text(), QStringLiteral("閉じる"));
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Vantomi2005形式"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("そのまま"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Vantomi2005タブ"));
    EXPECT_EQ(action->text(), QStringLiteral("Vantomi2005について"));
    EXPECT_EQ(holder.Text().Lines(),
              (QStringList{QStringLiteral("Vantomi2005"), QStringLiteral("2行目")}));
    EXPECT_EQ(inner->Text().Lines(), QStringList{QStringLiteral("内側 1.0")});

    label->setText(QStringLiteral("$(Undefined)"));
    EXPECT_THROW(ExpandComponentMacros(&form), EMacroString);
}

TEST_F(AppFrame, ALoadedFrameSeesTheEventsOfBothHookLists) {
    QObject target;
    std::vector<std::pair<QObject*, QEvent::Type>> sent;
    {
        TAppFrame frame;
        frame.OnSendMessage = [&](QObject* Receiver, QEvent* Event) {
            if (Receiver == &target)
                sent.emplace_back(Receiver, Event->type());
        };
        QEvent before(QEvent::User);
        QCoreApplication::sendEvent(&target, &before);
        EXPECT_TRUE(sent.empty()) << "not loaded yet";
        frame.Loaded();
        QEvent after(static_cast<QEvent::Type>(QEvent::User + 1));
        QCoreApplication::sendEvent(&target, &after);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].second, QEvent::User + 1);
        EXPECT_EQ(SendMessageHookList().Count(), 1);
        EXPECT_EQ(PostMessageHookList().Count(), 1);
    }
    EXPECT_EQ(SendMessageHookList().Count(), 0);
    EXPECT_EQ(PostMessageHookList().Count(), 0);
}
