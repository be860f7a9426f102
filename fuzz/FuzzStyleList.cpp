// The style index lists: list text read from a file, then every section asked for.
#include "FuzzSupport.h"

#include "UStyleList.h"

namespace {

void Run(const QByteArray& Input) {
    TStyleIndexList list;
    list.LoadFromFile(FuzzFile(Input, QStringLiteral(".lst")));
    for (const QString& section :
         {StampSection, ScheduleStyleSection, PictureFontSection, PictureNumberSection})
        list.Names(section);
}

} // namespace

const TFuzzTarget FuzzTarget{nullptr, Run};
