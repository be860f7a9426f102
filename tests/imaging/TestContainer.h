#pragma once
// Compressed containers for the picture tests.

#include <QByteArray>

// Data inside a "ZLIBCompress" container.
QByteArray MakeContainer(const QByteArray& Data);
