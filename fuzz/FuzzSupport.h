#pragma once
// What a fuzz target supplies: SetUp runs once before the first input (class registration),
// Run reads one input. An exception of the project's own kinds (Exception and its
// descendants) is the reader refusing damaged input and is expected; anything else - a
// crash, a sanitizer report, a foreign exception, a leak - is a finding.
//
// A new reader gets a target by adding fuzz/FuzzName.cpp that defines FuzzTarget, and a
// line "name: seed files" in fuzz/seeds.txt.

#include <QByteArray>
#include <QString>

struct TFuzzTarget {
    void (*SetUp)();
    void (*Run)(const QByteArray& Input);
};

extern const TFuzzTarget FuzzTarget;

// Writes Bytes to a file in the run's temporary folder (one name per Suffix, reused by every
// input) and answers its path, for readers that take a file name.
QString FuzzFile(const QByteArray& Bytes, const QString& Suffix);
// The run's temporary folder.
QString FuzzFolder();
