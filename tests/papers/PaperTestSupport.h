#pragma once
// Helpers shared by the paper tests.

#include "UPaperInfo.h"

#include <QByteArray>
#include <memory>

// The property stream of Paper.
QByteArray StreamOf(TComponent& Paper);
// A paper read back from a property stream; fails the test when it is not a paper.
std::unique_ptr<TPaperInfo> ReadPaper(const QByteArray& Bytes);
