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
