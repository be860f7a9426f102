#include "UDesigner.h"

#include "UDrawObject.h"
#include "UDrawSite.h"
#include "URectGhost.h"

bool TDODesigner::InitObject(TDrawSite&, const QString&) {
    return false;
}

std::unique_ptr<TDrawObject> TDODesigner::CreateObject(const QString&) {
    return nullptr;
}

bool TDODesigner::EditObject(TDrawObject&, bool&) {
    return false;
}

bool TDODesigner::CreatePivots(TDrawObject&) {
    return false;
}

bool TDODesigner::CreateGhost(TDrawObject&, int) {
    return false;
}

TDODesignerList::~TDODesignerList() {
    if (DesignerList() == this)
        SetDesignerList(nullptr);
    for (auto& designer : FDesigners)
        designer.reset();
}

TDODesigner& TDODesignerList::Add(std::unique_ptr<TDODesigner> Designer) {
    FDesigners.push_back(std::move(Designer));
    return *FDesigners.back();
}

template <class F>
bool TDODesignerList::AskNewestFirst(F&& Ask) const {
    for (auto it = FDesigners.rbegin(); it != FDesigners.rend(); ++it)
        if (Ask(**it))
            return true;
    return false;
}

bool TDODesignerList::CreateObject(TDrawSite& Site, const QString& KindName) {
    return AskNewestFirst([&](TDODesigner& d) { return d.InitObject(Site, KindName); });
}

bool TDODesignerList::EditObject(TDrawObject& Object) {
    bool cancel = true;
    if (AskNewestFirst([&](TDODesigner& d) { return d.EditObject(Object, cancel); }))
        if (TDrawSite* site = Object.DrawSite())
            site->UpdatePivots();
    return !cancel;
}

bool TDODesignerList::CreatePivots(TDrawObject& Object) {
    return AskNewestFirst([&](TDODesigner& d) { return d.CreatePivots(Object); });
}

bool TDODesignerList::CreateGhost(TDrawObject& Object, int Code) {
    return AskNewestFirst([&](TDODesigner& d) { return d.CreateGhost(Object, Code); });
}

std::unique_ptr<TDrawObject> TDODesignerList::NewObject(const QString& KindName) {
    std::unique_ptr<TDrawObject> result;
    AskNewestFirst([&](TDODesigner& d) {
        result = d.CreateObject(KindName);
        return result != nullptr;
    });
    return result;
}

TDODesignerList& TheDesignerList() {
    static TDODesignerList list;
    return list;
}

void InstallDesignerList() {
    static const bool registered = [] {
        TheDesignerList().Add(std::make_unique<TDORectGhostDesigner>());
        InstallRotateCursor();
        return true;
    }();
    (void)registered;
    SetDesignerList(&TheDesignerList());
}
