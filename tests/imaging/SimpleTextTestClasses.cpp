#include "SimpleTextTestClasses.h"

#include "UClasses.h"

void RegisterSimpleTextTestClasses() {
    RegisterClass<TSimpleTextHolder>();
}
