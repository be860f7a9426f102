// The calendar wizard's templates: a fresh run of the generator gives the committed
// definitions file byte for byte and templates of the same layout as the committed ones.

#include "UAppClasses.h"
#include "UDOList.h"
#include "ULOCalendar.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UStreams.h"
#include "UUndo.h"
#include "UWizardTemplates.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Per label: the class of every object, and the month offset of every calendar.
QStringList Layout(const QString& FileName) {
    TLabelData doc;
    doc.LoadFromFile(FileName);
    QStringList layout;
    for (int sheet = 0; sheet < doc.SheetCount(); ++sheet) {
        doc.SetSheet(sheet);
        for (int face = 0; face < doc.PaperInfo()->GetFaceCount(); ++face) {
            TDOList objects;
            doc.ReadLabel(face, objects, false);
            QString line = QStringLiteral("%1/%2:").arg(sheet).arg(face);
            for (TDrawObject* object : objects) {
                line += QLatin1Char(' ') + QString::fromLatin1(object->metaObject()->className());
                if (auto* calendar = qobject_cast<TLOCalendar*>(object))
                    line += QStringLiteral("(%1)").arg(calendar->MonthOrigin());
            }
            objects.FreeObjects();
            layout.append(line);
        }
    }
    return layout;
}

} // namespace

TEST(WizardTemplates, GeneratorGivesTheCommittedFiles) {
    static const bool registered = (RegisterApplicationClasses(), true);
    (void)registered;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString error;
    ASSERT_TRUE(WriteWizardTemplates(dir.path(), error)) << error.toStdString();
    const QDir fresh(dir.filePath(QStringLiteral("Data/Wizard")));
    const QDir shipped(QStringLiteral(VANTOMI_SHIPPED_DATA "/Data/Wizard"));
    EXPECT_EQ(ReadWholeFile(fresh.filePath(QStringLiteral("Wizard.dat"))),
              ReadWholeFile(shipped.filePath(QStringLiteral("Wizard.dat"))));
    EXPECT_EQ(ReadWholeFile(shipped.filePath(QStringLiteral("Wizard.dat"))),
              WizardDefinitionBytes());
    for (const char* sub : {"Types", "Styles"}) {
        const QStringList names =
            QDir(fresh.filePath(QLatin1String(sub))).entryList(QDir::Files, QDir::Name);
        EXPECT_EQ(names,
                  QDir(shipped.filePath(QLatin1String(sub))).entryList(QDir::Files, QDir::Name));
        for (const QString& name : names) {
            SCOPED_TRACE(name.toStdString());
            const QString relative = QLatin1String(sub) + QLatin1Char('/') + name;
            const QStringList layout = Layout(fresh.filePath(relative));
            EXPECT_FALSE(layout.isEmpty());
            EXPECT_EQ(layout, Layout(shipped.filePath(relative)));
        }
    }
    ActionList().Clear();
}
