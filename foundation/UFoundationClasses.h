#pragma once
// Registration of the foundation classes that property streams (forms, the data module's
// stored settings) create by name. Start-up calls it once before anything is read.

void RegisterFoundationClasses();
