#include "UObjectFactory.h"

#include "UClasses.h"
#include "UDOGroup.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "ULOAlphaMask.h"
#include "ULOBackImage.h"
#include "ULODate.h"
#include "ULODecoLine.h"
#include "ULODecoString.h"
#include "ULOFace.h"
#include "ULOImage.h"
#include "ULOJANCode.h"
#include "ULOLine.h"
#include "ULOOLE.h"
#include "ULOQRCode.h"
#include "ULORect.h"
#include "ULOText.h"

#include <map>

namespace {

struct TCaseless {
    bool operator()(const QString& A, const QString& B) const {
        return A.compare(B, Qt::CaseInsensitive) < 0;
    }
};

// The one table of object kinds of the program.
std::map<QString, TObjectCreator, TCaseless>& Kinds() {
    static std::map<QString, TObjectCreator, TCaseless> kinds;
    return kinds;
}

} // namespace

void RegisterObjectKind(const QString& KindName, TObjectCreator Creator) {
    if (KindName.isEmpty() || !Creator)
        return;
    Kinds()[KindName] = std::move(Creator);
}

void UnregisterObjectKind(const QString& KindName) {
    Kinds().erase(KindName);
}

bool IsObjectKindRegistered(const QString& KindName) {
    return Kinds().count(KindName) != 0;
}

std::unique_ptr<TDrawObject> CreateObjectOfKind(const QString& KindName) {
    const auto it = Kinds().find(KindName);
    if (it != Kinds().end())
        return it->second();
    const QMetaObject* cls = GetClass(KindName);
    if (!cls || !cls->inherits(&TDrawObject::staticMetaObject))
        return nullptr;
    std::unique_ptr<TPersistent> created = CreatePersistent(*cls);
    return std::unique_ptr<TDrawObject>(static_cast<TDrawObject*>(created.release()));
}

void RegisterObjectClasses() {
    RegisterClasses<TDrawSite, TLOFace>();
    RegisterClasses<TLOQRCode, TLOQRStd, TLOJANCode>();
    RegisterClasses<TLOText, TLODate>();
    RegisterClasses<TLOLine, TLOCurve, TLODecoLine>();
    RegisterClasses<TLOAlphaMask, TLODecoString>();
    RegisterClasses<TLOImage>();
    RegisterClasses<TLORect, TLOCircle, TLOBackImage>();
    RegisterClasses<TDOGroup, TLOOLE>();
}
