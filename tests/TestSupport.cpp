#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QtEndian>
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

QByteArray ResEntry(const QString& Type, const QString& Name, const QByteArray& Data) {
    const auto field = [](const QString& Id) {
        QByteArray f;
        const auto put16 = [&f](uint16_t V) {
            f.append(static_cast<char>(V & 0xFF));
            f.append(static_cast<char>(V >> 8));
        };
        if (Id.startsWith(u'#')) {
            put16(0xFFFF);
            put16(static_cast<uint16_t>(Id.mid(1).toUInt()));
        } else {
            for (QChar c : Id)
                put16(c.unicode());
            put16(0);
        }
        return f;
    };
    QByteArray names = field(Type) + field(Name);
    while ((8 + names.size()) % 4)
        names.append('\0');
    const QByteArray tail(16, '\0'); // data version, flags, language, version, characteristics
    QByteArray entry(8, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(Data.size()), entry.data());
    qToLittleEndian<quint32>(static_cast<quint32>(8 + names.size() + tail.size()),
                             entry.data() + 4);
    entry += names + tail + Data;
    while (entry.size() % 4)
        entry.append('\0');
    return entry;
}
