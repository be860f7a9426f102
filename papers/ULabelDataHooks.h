#pragma once
// The document's hooks filled from the program's own object kinds: date objects take the
// document's times, face backgrounds are left out when blank and fitted to their label,
// calendars are tied by their connection number and share their style. The start-up
// installs them once; the document works without them (tests install their own).

void InstallLabelDataHooks();
