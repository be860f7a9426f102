#include "UAppClasses.h"

#include "FTwain.h"
#include "UCalSchedule.h"
#include "UDesigner.h"
#include "UFoundationClasses.h"
#include "UGhost.h"
#include "ULOCreator.h"
#include "ULabelData.h"
#include "ULabelDataHooks.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"
#include "UPropertyEditors.h"

void RegisterApplicationClasses() {
    RegisterFoundationClasses();
    RegisterObjectClasses();
    RegisterPictureFormats();
    RegisterScheduleClasses();
    RegisterLabelDataClasses();
    InstallGhostList();
    InstallDesignerList();
    InstallLOCreator();
    InstallPropertyEditors();
    InstallLabelDataHooks();
    InstallTwainWindows();
}
