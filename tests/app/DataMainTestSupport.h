#pragma once
// A data module under test: a stand-in main window, a private program folder holding the
// shipped calendar tables, a private settings store and user folder, and a message form
// runner that records what the user would have been shown and answers from a script.

#include "UdataMain.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Records what start-up asks of the main window.
class TFakeMainForm : public IMainForm {
public:
    QWidget* Widget() override { return &Window; }
    void NewDocumentQuietly() override;
    bool OpenFileQuietly(const QString& FileName) override;
    bool SplashClosed() const override { return Splash; }
    void RunStartupSelection() override { ++Selections; }

    QWidget Window;
    int NewDocuments = 0;
    int Selections = 0;
    QStringList Opened;
    bool OpenAnswer = true;
    bool Splash = false;
    bool ThrowOnNew = false;
};

// One message form as it would have been shown.
struct TShownBox {
    QString Text;         // lines end with LF
    QStringList Captions; // of the visible buttons, in order
};

class TDataMainTest : public ::testing::Test {
public:
    // The folders end in "/".
    QString ProgramFolder() const { return FProgramFolder; }
    // "$(UserPreferenceFolder)" of the current user home.
    QString UserFolder() const;
    QString TempPath(const QString& Name) const { return FRoot.filePath(Name); }

protected:
    void SetUp() override;
    void TearDown() override;

    // The options the next MakeDataMain uses (the runners are filled in by the fixture).
    TStartupOptions& Options() { return FOptions; }
    std::unique_ptr<TdataMain> MakeDataMain();
    // The stand-in window the last data module created, or null.
    TFakeMainForm* Form() const { return FForm; }
    // Copies the shipped tables into the program folder (writable), replacing what is there.
    void CopyTables();
    // Points the settings store and user data at Folder (which need not exist).
    void SetUserHome(const QString& Folder);
    void ClearSettings();
    static void WriteFile(const QString& Path, const QByteArray& Bytes);

    std::vector<TShownBox> Boxes;
    std::deque<TModalResult> Answers; // then mrOk
    std::vector<bool> EnvironmentAnswers;
    int EnvironmentCalls = 0;
    std::function<void()> OnEnvironment;
    // Run inside the main-window factory.
    std::function<void()> FactoryCheck;

private:
    QTemporaryDir FRoot;
    QString FProgramFolder;
    QString FUserHome;
    QByteArray FSavedData;
    QByteArray FSavedConfig;
    TStartupOptions FOptions;
    TFakeMainForm* FForm = nullptr;
};
