#pragma once
// Registration of the program's picture formats, called once at start-up before any form or
// document is read (and harmless to call again):
//   classes   TSafetyBitmap (also read where stored pictures name "TBitmap"),
//             TSafetyJPEGImage, TJPEGImage, TPNGImage, TGIFImage, TMetafile
//   files     BMP "Bitmaps", CBM "Compressed Bitmaps", JPG (TJPEGImage, then
//             TSafetyJPEGImage, which wins), JPEG "JPEG Image", PNG, GIF, EMF, WMF
//   clipboard CF_DIB (TSafetyBitmap), CF_ENHMETAFILE (TMetafile)

void RegisterPictureFormats();
// Removes everything RegisterPictureFormats registered.
void UnregisterPictureFormats();
