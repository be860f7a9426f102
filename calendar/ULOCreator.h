#pragma once
// TLOCreator: the designer that makes every kind of layout object by its class name and
// places it on a design surface as one undoable "追加" step.
//
// The kinds it prepares are rows of one table (kind asked for, preparation, property dialog
// first, drag to place); a kind without a row gets no preparation and no dialog and is placed
// by dragging (lines, curves, rectangles and circles are drawn that way). New instances come
// from the class registered under the name asked for, or from the pseudo-names of paste and
// acquisition tools ("TLOTextPaste" makes a TLOText, "TLOYear" a TLOYearMonth ...).
//
// A kind whose property dialog does not exist (no designer answers the edit) is placed
// directly with its defaults; a dialog the user cancels discards the new object.
//
// User-interface thread only.

#include "UDesigner.h"

#include <QString>
#include <functional>
#include <memory>
#include <span>

class TDrawObject;
class TDrawSite;

// One kind the factory prepares.
struct TCreatorKind {
    const char* Name;
    // Readies a new object of the kind for Site; null: nothing to do.
    void (*Prepare)(TDrawObject& Object, TDrawSite& Site);
    bool DialogFirst;
    bool DragToPlace;
};

// The kinds the factory prepares, in table order.
std::span<const TCreatorKind> CreatorKinds();
// The row of a kind (names compared exactly), or nullptr.
const TCreatorKind* FindCreatorKind(const QString& KindName);
// The class a kind name makes: the name itself, or the class of a pseudo-name.
QString CreatorClassName(const QString& KindName);

class TLOCreator : public TDODesigner {
public:
    // Creates the kind through the installed designer list (NewObject), prepares it and
    // places it; false when nothing could make the kind or its dialog was refused.
    bool InitObject(TDrawSite& Site, const QString& KindName) override;
    // A new unowned object of the kind: the maker registered for the kind
    // (UObjectFactory.h), else a registered class of that exact name or a pseudo-name's
    // class; nullptr for any other name.
    std::unique_ptr<TDrawObject> CreateObject(const QString& KindName) override;

    // Places a new object on Site: the site owns it, any drag is cancelled, the creation
    // callback sees it; with DialogFirst its property dialog runs first (a refusal frees it
    // and answers false); it is added to the page; with DragToPlace it stays hidden until
    // the creation drag (ghost code -2) places it; otherwise it is fitted into the visible
    // page, recorded as one "追加" step and made the only selected object. Then the one-shot
    // tools are reset and the answer is true.
    bool PlaceNewObject(TDrawSite& Site, std::unique_ptr<TDrawObject> Object, bool DialogFirst,
                        bool DragToPlace);

    // Called with every new object before it is placed (the layout editor's, while its
    // window is active); empty: none.
    std::function<void(TDrawObject& Object)> OnCreateObject;
    // Called when an object was placed: the layout editor ends its one-shot tool modes.
    std::function<void()> OnResetOneShotTools;
};

// Registers the layout-object classes of this library for streaming (in the order stored
// documents expect), and adds one TLOCreator and the calendar move designer to the program's
// designer list. Later calls change nothing. Answers the creator.
TLOCreator& InstallLOCreator();
// The installed creator, or nullptr before InstallLOCreator.
TLOCreator* LOCreator();
// Registers the classes only.
void RegisterLayoutObjectClasses();
