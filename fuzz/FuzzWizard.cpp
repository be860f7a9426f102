// The calendar wizard's definitions file (code page 932 ini text): every kind the file
// names, every entry of it and the kinds its entries name in turn.
#include "FuzzSupport.h"

#include "UWizardInfo.h"

#include <QSet>

namespace {

void ReadKindAndEntries(TWizardInfo& Info, const QString& Kind, QSet<QString>& Seen) {
    if (Seen.contains(Kind.toLower()) || Seen.size() > 64)
        return;
    Seen.insert(Kind.toLower());
    const int count = Info.ReadKind(Kind);
    QStringList next;
    for (int i = 0; i < count; ++i) {
        const std::unique_ptr<TWizFileInfo> entry = Info.ReadEntry(i);
        if (!entry->Templates.isEmpty())
            next.append(entry->Templates);
    }
    for (const QString& kind : next)
        ReadKindAndEntries(Info, kind, Seen);
}

void Run(const QByteArray& Input) {
    const QString file = FuzzFile(Input, QStringLiteral(".dat"));
    TWizardInfo info(SWizardFileName, [&file](const QString&) { return file; });
    QSet<QString> seen;
    for (const char* kind : {"Types", "Wall", "Desk", "Settings"})
        ReadKindAndEntries(info, QString::fromLatin1(kind), seen);
}

} // namespace

const TFuzzTarget FuzzTarget{nullptr, Run};
