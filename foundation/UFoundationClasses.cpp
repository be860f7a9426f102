#include "UFoundationClasses.h"

#include "UAppFrame.h"
#include "UBroadcastCatcher.h"
#include "UClasses.h"
#include "UGlobalNotify.h"
#include "UStringHolder.h"

void RegisterFoundationClasses() {
    RegisterClasses<TAppFrame, TStringHolder, TBroadcastCatcher, TGlobalNotify, TClipboardNotify>();
}
