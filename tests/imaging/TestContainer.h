#pragma once
// Compressed containers for the picture tests. Kept apart from the colour names: the
// container's compression-level names (clNone, clDefault) collide with them.

#include <QByteArray>

// Data inside a "ZLIBCompress" container.
QByteArray MakeContainer(const QByteArray& Data);
