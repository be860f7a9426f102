#include "DataMainTestSupport.h"

#include "FMessage.h"
#include "UAppFolders.h"
#include "UException.h"
#include "UVersion.h"

#include <QFile>
#include <QPushButton>

void TFakeMainForm::NewDocumentQuietly() {
    ++NewDocuments;
    if (ThrowOnNew)
        throw Exception(QStringLiteral("no paper"));
}

bool TFakeMainForm::OpenFileQuietly(const QString& FileName) {
    Opened << FileName;
    return OpenAnswer;
}

QString TDataMainTest::UserFolder() const {
    return FUserHome +
           QStringLiteral("/data/Vantomi2005/%1.%2/").arg(AppVersionMajor).arg(AppVersionMinor);
}

void TDataMainTest::SetUp() {
    ASSERT_TRUE(FRoot.isValid());
    FSavedData = qgetenv("XDG_DATA_HOME");
    FSavedConfig = qgetenv("XDG_CONFIG_HOME");
    FProgramFolder = FRoot.filePath(QStringLiteral("program")) + u'/';
    ASSERT_TRUE(QDir().mkpath(FProgramFolder));
    CopyTables();
    SetUserHome(FRoot.filePath(QStringLiteral("home")));

    FOptions.ProgramFolder = FProgramFolder;
    FOptions.Arguments = QStringList();
    FOptions.DisplayColorBits = [] { return 24; };
    FOptions.SelectPrinter = [] { return true; };
    FOptions.RunMessageForm = [this](TfrmMessage& Form) {
        TShownBox box{Form.Message(), {}};
        for (int i = 0; i < TfrmMessage::MaxButtons; ++i)
            if (!Form.Buttons(i)->isHidden())
                box.Captions << Form.Buttons(i)->text();
        Boxes.push_back(box);
        if (Answers.empty())
            return mrOk;
        const TModalResult answer = Answers.front();
        Answers.pop_front();
        return answer;
    };
    FOptions.RunEnvironmentDialog = [this] {
        const size_t call = static_cast<size_t>(EnvironmentCalls++);
        if (OnEnvironment)
            OnEnvironment();
        return call < EnvironmentAnswers.size() && EnvironmentAnswers[call];
    };
}

void TDataMainTest::TearDown() {
    qputenv("XDG_DATA_HOME", FSavedData);
    qputenv("XDG_CONFIG_HOME", FSavedConfig);
}

std::unique_ptr<TdataMain> TDataMainTest::MakeDataMain() {
    FForm = nullptr;
    return std::make_unique<TdataMain>(
        [this]() -> std::unique_ptr<IMainForm> {
            if (FactoryCheck)
                FactoryCheck();
            auto form = std::make_unique<TFakeMainForm>();
            FForm = form.get();
            return form;
        },
        FOptions);
}

void TDataMainTest::CopyTables() {
    for (const QString& name : CalendarTableFiles) {
        const QString target = FProgramFolder + name;
        if (QFile::exists(target)) {
            QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QFile::remove(target);
        }
        ASSERT_TRUE(QFile::copy(QStringLiteral(VANTOMI_SOURCE_DIR "/data/") + name, target));
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

void TDataMainTest::SetUserHome(const QString& Folder) {
    FUserHome = Folder;
    qputenv("XDG_DATA_HOME", (Folder + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (Folder + QStringLiteral("/config")).toLocal8Bit());
}

void TDataMainTest::ClearSettings() {
    QDir(FUserHome + QStringLiteral("/config")).removeRecursively();
}

void TDataMainTest::WriteFile(const QString& Path, const QByteArray& Bytes) {
    QFile f(Path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << Path.toStdString();
    f.write(Bytes);
}
