#pragma once
// Reading the compressed container ("ZLIBCompress", UCompress.h) from code that also uses
// colours: the container's compression-level names (clNone, clDefault) collide with the
// colour names of UColor.h, so the two headers cannot meet in one translation unit. This
// header brings in streams only.

#include "UStreams.h"

// When Source holds a container header at its position, inflates the container into Plain
// (replacing its contents, position 0) and answers true, leaving Source after the container;
// raises EInvalidGraphic for damaged compressed data. Without a header answers false and
// leaves Source's position as it was.
bool ReadContainer(TStream& Source, TMemoryStream& Plain);
// Raises EInvalidGraphic "ビットマップイメージが不正です" (the error of damaged bitmap data).
[[noreturn]] void RaiseInvalidContainer();
