#include "UDesignHooks.h"

namespace {

// The one ghost list and the one designer list of the program, installed by their modules.
struct THooks {
    IGhostList* Ghosts = nullptr;
    IDesignerList* Designers = nullptr;
};

THooks& Hooks() {
    static THooks hooks;
    return hooks;
}

} // namespace

IGhostList* GhostList() {
    return Hooks().Ghosts;
}

void SetGhostList(IGhostList* Value) {
    Hooks().Ghosts = Value;
}

IDesignerList* DesignerList() {
    return Hooks().Designers;
}

void SetDesignerList(IDesignerList* Value) {
    Hooks().Designers = Value;
}

int GhostCount() {
    const IGhostList* ghosts = GhostList();
    return ghosts ? ghosts->Count() : 0;
}
