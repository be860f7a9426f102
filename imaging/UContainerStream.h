#pragma once
// Reading the compressed container ("ZLIBCompress", UCompress.h) inside picture data, where
// damaged compressed data is an invalid picture rather than a stream error.

#include "UStreams.h"

// When Source holds a container header at its position, inflates the container into Plain
// (replacing its contents, position 0) and answers true, leaving Source after the container;
// raises EInvalidGraphic for damaged compressed data. Without a header answers false and
// leaves Source's position as it was.
bool ReadContainer(TStream& Source, TMemoryStream& Plain);
// Raises EInvalidGraphic "ビットマップイメージが不正です" (the error of damaged bitmap data).
[[noreturn]] void RaiseInvalidContainer();
