#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

QString TestDataPath(const QString& RelativePath) {
    return QStringLiteral(VANTOMI_TEST_DATA "/") + RelativePath;
}

QByteArray ReadTestData(const QString& RelativePath) {
    QFile f(TestDataPath(RelativePath));
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << RelativePath.toStdString();
        return {};
    }
    return f.readAll();
}

int RunProgram(const QString& Program, const QStringList& Args, QByteArray* Output,
               const QByteArray& Input) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(Program, Args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!Input.isEmpty())
        p.write(Input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    if (Output)
        *Output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
