#pragma once
// TPrintSpec: what the user chose in the print dialog (copies, faces, outlines, offset,
// resolution, sheets, one spooler job per sheet), and the print settings that decide the
// rendering resolution. Lengths are in 0.1 mm (254 units per inch).

#include "UWinTypes.h"

#include <vector>

class TPrintSpec {
public:
    // Pages printed per sheet (one page per copy); values below 1 print nothing.
    int Copies = 1;
    // Per face index: print this face (ignored while AllFaces is set).
    std::vector<bool> FaceFlags;
    // Draw each printed face's outline with a solid and/or a dashed hairline.
    bool OutlineSolid = false;
    bool OutlineDashed = false;
    // Also print the objects an image paper gives for each face.
    bool AddImagePaper = false;
    // Print offset, x then y, in 0.1 mm from the physical corner of the paper.
    TPoint Offset;
    bool AllFaces = true;
    // Dots per inch of the rendering; 0 decides by the "Banding" setting.
    int Resolution = 0;
    // Every sheet of the document, else only the current one.
    bool AllSheets = true;
    // One spooler job per sheet instead of one job for all (spooling printers only).
    bool SpoolEachSheet = false;

    // True while AllFaces is set; else FaceFlags[Index] (false beyond its end and for a
    // negative index).
    bool IsFacePrinted(int Index) const;
    // Grows FaceFlags to Index + 1 when needed (new entries false) and stores Value. A
    // negative index changes nothing.
    void SetFacePrinted(int Index, bool Value);
};

// The integer setting "Banding" (default 1) is not 0.
bool BandingEnabled();
// Spec.Resolution when not 0; otherwise 254 when "Banding" is 1, else PrinterDPI.
int EffectiveResolution(const TPrintSpec& Spec, int PrinterDPI);
// The same with the setting's value given (for callers that read it once).
int EffectiveResolution(const TPrintSpec& Spec, int PrinterDPI, int Banding);

// True when a printer page of PageWidth x PageHeight and a paper of PaperWidth x
// PaperHeight (all 0.1 mm) differ by 31 or more in either direction.
bool PaperSizeDiffers(int PageWidth, int PageHeight, int PaperWidth, int PaperHeight);
