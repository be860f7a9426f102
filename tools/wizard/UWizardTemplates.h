#pragma once
// Builds the calendar templates of the new-calendar wizard with the program's own classes,
// and the definitions file that lists them:
//   Data/Wizard/Wizard.dat          kinds "Types" (the templates) and "Styles" (the looks)
//   Data/Wizard/Types/Wall.vtd      twelve A4 pages: photo, year and month, the month
//   Data/Wizard/Types/Desk.vtd      six postcards: a photo and two months each
//   Data/Wizard/Types/CDCase.vtd    twelve CD-case cards, two on each A4 sheet
//   Data/Wizard/Styles/*.vtd        one calendar each: three looks, each also starting on
//                                   Monday (the kind's pull-down choice "月曜始まり")
// Each calendar carries its month offset (MonthOrigin) and the appendix line "MainFlag=1";
// the year/month captions are tied to their calendar through ConnectNo.

#include <QByteArray>
#include <QString>

// The text of Wizard.dat in code page 932.
QByteArray WizardDefinitionBytes();
// Writes every file below Folder (the program's data folder); false with Error on failure.
// The classes of the program must be registered (RegisterApplicationClasses).
bool WriteWizardTemplates(const QString& Folder, QString& Error);
