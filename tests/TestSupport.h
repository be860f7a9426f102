#pragma once
// Helpers shared by the test programs.

#include <QByteArray>
#include <QString>

// Absolute path of a fixture under tests/data/.
QString TestDataPath(const QString& RelativePath);
// Contents of a fixture under tests/data/; fails the current test when missing.
QByteArray ReadTestData(const QString& RelativePath);
// Runs a program and answers its exit code (-1 when it could not start); Output receives
// stdout and stderr together.
int RunProgram(const QString& Program, const QStringList& Args, QByteArray* Output = nullptr,
               const QByteArray& Input = {});
// One entry of a 32-bit resource (.RES) file, padded to 4 bytes; Type and Name are "#n"
// ordinals or strings. A file starts with the empty entry ResEntry("#0", "#0", {}).
QByteArray ResEntry(const QString& Type, const QString& Name, const QByteArray& Data);
